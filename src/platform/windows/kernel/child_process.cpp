// SPDX-License-Identifier: MIT
// Child processes over CreateProcessW, fed through a pipe.
#include "platform/child_process.h"
#include "common/output_file.h"
#include "common/search_path.h"

#include "kernel/wide.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {
namespace {

// One argument as the C runtime's command-line parser reads it back: quoted
// when it holds a space, a tab or a quote, with the backslashes before a
// quote doubled.
std::string QuotedArgument(const std::string &argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
    return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

} // namespace

// Windows lists PATH with ';' and finds programs by their ".exe".
std::string FindOnPath(const std::string &program) {
  const wchar_t *path = _wgetenv(L"PATH");
  if (path == nullptr)
    return std::string();
  for (const std::string &folder : SearchFolders(Utf8FromWide(path), ';')) {
    const std::string candidate = folder + "\\" + program + ".exe";
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(candidate).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      return candidate;
  }
  return std::string();
}

std::string HowToGetProgram(const std::string &program) {
  return "put " + program + ".exe into a folder on PATH";
}

ChildProcess::~ChildProcess() {
  std::string ignored;
  Finish(&ignored);
}

bool ChildProcess::Start(const std::vector<std::string> &arguments, std::string *why) {
  std::string commandLine;
  for (const std::string &argument : arguments)
    commandLine += (commandLine.empty() ? "" : " ") + QuotedArgument(argument);
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0) || !SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0)) {
    *why = "cannot make a pipe to " + arguments[0] + ": " + ErrorText(GetLastError());
    return false;
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started = {};
  std::wstring wideLine = WideFromUtf8(commandLine);
  const BOOL ok = CreateProcessW(WideFromUtf8(arguments[0]).c_str(), &wideLine[0], nullptr, nullptr, TRUE,
                                 CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &started);
  const DWORD error = GetLastError();
  CloseHandle(readEnd);
  if (!ok) {
    CloseHandle(writeEnd);
    *why = "cannot start " + arguments[0] + ": " + ErrorText(error);
    return false;
  }
  CloseHandle(started.hThread);
  process = intptr_t(started.hProcess);
  input = _open_osfhandle(intptr_t(writeEnd), _O_WRONLY | _O_BINARY);
  if (input < 0) {
    CloseHandle(writeEnd);
    *why = "cannot write to the pipe to " + arguments[0];
    return false;
  }
  return true;
}

bool ChildProcess::Finish(std::string *why) {
  if (input >= 0)
    _close(input);
  input = -1;
  if (process == 0)
    return true;
  const HANDLE handle = HANDLE(process);
  DWORD status = 1;
  WaitForSingleObject(handle, INFINITE);
  GetExitCodeProcess(handle, &status);
  CloseHandle(handle);
  process = 0;
  if (status == 0)
    return true;
  *why = "failed with exit status " + std::to_string(status);
  return false;
}

} // namespace platform
