// rarcat: writes one entry of a RAR 2.x archive to standard output or a file,
// through the show's own extraction module.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "platform/command_line.h"
#include "platform/input_file.h"
#include "rar/rar.h"

namespace {

const char kUsage[] = "usage: rarcat [-o FILE] ARCHIVE NAME [PASSWORD]\n"
                      "Writes the entry NAME of the RAR 2.x archive ARCHIVE to standard output.\n"
                      "Names match without regard to case; \\, / and _ stand for one another.\n"
                      "\n"
                      "  -o FILE    write the entry to FILE instead (replaced only once the entry\n"
                      "             extracted whole)\n"
                      "  --help     this text; --version: the version\n"
                      "  --         the arguments after it are not options\n"
                      "Exit status: 0 when the entry was written, 1 when it could not be, 2 for a\n"
                      "wrong command line. Binary entries are not written to a terminal.\n";

int Fail(const std::string &message) {
  std::fprintf(stderr, "rarcat: %s\n", message.c_str());
  return kExitFailure;
}

// Bytes a terminal would take as commands rather than text: most control
// characters. An entry holding one is not written to a terminal.
bool LooksBinary(const unsigned char *data, uint32_t size) {
  for (uint32_t i = 0; i < size; ++i) {
    const unsigned char c = data[i];
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || c == 0x7f)
      return true;
  }
  return false;
}

bool WriteAll(int fd, const unsigned char *data, uint32_t size) {
  for (uint32_t done = 0; done < size;) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += uint32_t(n);
  }
  return true;
}

// Writes the entry beside `path` and renames it into place, so that a
// failure never leaves a half-written file or spoils the one that was there.
std::string WriteFile(const std::string &path, const unsigned char *data, uint32_t size) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0)
    return "cannot write " + path + ": " + std::strerror(errno);
#ifdef _WIN32
  // Windows has no permission bits to give the file; and only MoveFileEx
  // replaces a file that is there.
  bool ok = WriteAll(fd, data, size);
  const int saved = errno;
  ok = close(fd) == 0 && ok;
  if (ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
    return std::string();
  errno = EACCES;
#else
  const mode_t mask = umask(0);
  umask(mask);
  bool ok = fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, data, size);
  const int saved = errno;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp.c_str(), path.c_str()) == 0)
    return std::string();
#endif
  const std::string why = std::strerror(ok ? errno : saved);
  unlink(temp.c_str());
  return "cannot write " + path + ": " + why;
}

} // namespace

int main(int argc, char **argv) {
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "rarcat", kUsage);
  if (answered >= 0)
    return answered;
  const char *output = nullptr;
  const char *args[3];
  int count = 0;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (!optionsDone && std::strcmp(arg, "--") == 0) {
      optionsDone = true;
    } else if (!optionsDone && std::strcmp(arg, "-o") == 0) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0')
        return PlatformUsageError("rarcat", "-o needs a file name");
      output = argv[++i];
    } else if (!optionsDone && arg[0] == '-' && arg[1] != '\0') {
      return PlatformUsageError("rarcat", std::string("unknown option ") + arg);
    } else if (count == 3) {
      return PlatformUsageError("rarcat", "too many arguments");
    } else {
      args[count++] = arg;
    }
  }
  if (count < 2)
    return PlatformUsageError("rarcat", count == 0 ? "no archive given" : "no entry name given");
  const char *archive = args[0];
  const char *name = args[1];
  const char *password = count == 3 ? args[2] : nullptr;
  if (strlen(archive) > kMaxNameLength)
    return Fail(std::string("archive path longer than 259 characters: ") + archive);
  if (strlen(name) > kMaxNameLength)
    return Fail(std::string("entry name longer than 259 characters: ") + name);
  if (password != nullptr && strlen(password) > kMaxPasswordLength)
    return Fail("password longer than 254 characters");
  // The module logs why it failed; a missing file deserves the system's
  // words, and a FIFO or a device in the archive's place is not waited on.
  const char *why = "";
  const int probe = PlatformOpenRegularFile(archive, &why);
  if (probe < 0)
    return Fail(std::string("cannot open ") + archive + ": " + why);
  close(probe);

  unsigned char *block = nullptr;
  uint32_t size = 0;
  if (rar_extract_to_memory(&block, &size, name, archive, password) == 0) {
    const std::string problem = rar_last_problem();
    if (problem.empty())
      return Fail(std::string(archive) + ": no entry named " + name);
    // A wrong password deciphers to garbage, which only the CRC tells.
    const bool enciphered = rar_last_entry_enciphered() && password != nullptr && password[0] != '\0';
    return Fail(std::string(archive) + ": " + problem +
                (enciphered && problem.rfind("CRC32 error", 0) == 0 ? " (wrong password, or damaged data)" : ""));
  }
  std::string error;
#ifdef _WIN32
  _setmode(STDOUT_FILENO, _O_BINARY); // the entry's bytes as they are, no CR added before LF
#endif
  if (output != nullptr) {
    error = WriteFile(output, block, size);
  } else if (isatty(STDOUT_FILENO) && LooksBinary(block, size)) {
    error = std::string(name) + " is binary; not written to the terminal (give -o FILE, or redirect the output)";
  } else if (!WriteAll(STDOUT_FILENO, block, size)) {
    error = std::string("cannot write to standard output: ") + std::strerror(errno);
  }
  free(block);
  return error.empty() ? 0 : Fail(error);
}
