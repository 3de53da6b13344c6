// SPDX-License-Identifier: MIT
// rarcat: writes one entry of a RAR 2.x archive to standard output or a file,
// through the show's own extraction module.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/command_line.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/password.h"
#include "rar/rar.h"

namespace {

const char kUsage[] = "usage: rarcat [-o FILE] [--password-file FILE] ARCHIVE NAME [PASSWORD]\n"
                      "Writes the entry NAME of the RAR 2.x archive ARCHIVE to standard output.\n"
                      "Names match without regard to case; \\, / and _ stand for one another.\n"
                      "\n"
                      "  -o FILE               write the entry to FILE instead (replaced only once the\n"
                      "                        entry extracted whole; a device or FIFO is written into)\n"
                      "  --password-file FILE  decipher with the password on FILE's first line; FILE -\n"
                      "                        is standard input, where a terminal asks for it without\n"
                      "                        showing it\n"
                      "  PASSWORD              the same with the password itself, which every user of\n"
                      "                        this machine can read while rarcat runs (ps)\n"
                      "  --help                this text; --version: the version\n"
                      "  --                    the arguments after it are not options\n"
                      "Exit status: 0 when the entry was written, 1 when it could not be, 2 for a\n"
                      "wrong command line, 128 + N when signal N stopped it. Binary entries are not\n"
                      "written to a terminal.\n";

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

// Writes the entry through the layer's output file: beside `path` and renamed
// into place, so that a failure or a signal never leaves a half-written file
// or spoils the one that was there.
std::string WriteFile(const std::string &path, const unsigned char *data, uint32_t size) {
  platform::OutputFile file;
  std::string why;
  if (!file.Create(path, &why))
    return why;
  if (size > 0 && std::fwrite(data, 1, size, file.Stream()) != size)
    return "cannot write '" + file.WrittenPath() + "': " + std::strerror(errno);
  return file.Commit(&why) ? std::string() : why;
}

} // namespace

int main(int argc, char **argv) {
  PlatformUtf8Arguments(&argc, &argv);
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "rarcat", kUsage);
  if (answered >= 0)
    return answered;
  const char *output = nullptr;
  const char *passwordFile = nullptr;
  const char *args[3];
  int count = 0;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (!optionsDone && std::strcmp(arg, "--") == 0) {
      optionsDone = true;
    } else if (!optionsDone && (std::strcmp(arg, "-o") == 0 || std::strcmp(arg, "--password-file") == 0)) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0')
        return PlatformUsageError("rarcat", std::string(arg) + " needs a file name");
      (arg[1] == 'o' ? output : passwordFile) = argv[++i];
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
  if (count == 3 && passwordFile != nullptr)
    return PlatformUsageError("rarcat", "one password only: PASSWORD or --password-file");
  const char *archive = args[0];
  const char *name = args[1];
  std::string password = count == 3 ? args[2] : "", why;
  if (passwordFile != nullptr && !platform::ReadPassword(passwordFile, "Password: ", false, &password, &why))
    return Fail(why);
  if (strlen(archive) > kMaxNameLength)
    return Fail(std::string("archive path longer than 259 characters: ") + archive);
  if (strlen(name) > kMaxNameLength)
    return Fail(std::string("entry name longer than 259 characters: ") + name);
  if (password.size() > kMaxPasswordLength)
    return Fail("password longer than 254 bytes");
  // The module logs why it failed; a missing file deserves the system's
  // words, and a FIFO or a device in the archive's place is not waited on.
  const char *reason = "";
  std::FILE *probe = PlatformOpenRegularFileStream(archive, &reason);
  if (probe == nullptr)
    return Fail(std::string("cannot open ") + archive + ": " + reason);
  std::fclose(probe);

  unsigned char *block = nullptr;
  uint32_t size = 0;
  if (rar_extract_to_memory(&block, &size, name, archive, password.c_str()) == 0) {
    const std::string problem = rar_last_problem();
    if (problem.empty())
      return Fail(std::string(archive) + ": no entry named " + name);
    // A wrong password deciphers to garbage, which only the CRC tells.
    const bool enciphered = rar_last_entry_enciphered() && !password.empty();
    return Fail(std::string(archive) + ": " + problem +
                (enciphered && problem.rfind("CRC32 error", 0) == 0 ? " (wrong password, or damaged data)" : ""));
  }
  std::string error;
  if (output != nullptr) {
    error = WriteFile(output, block, size);
  } else if (platform::StandardOutputIsTerminal() && LooksBinary(block, size)) {
    error = std::string(name) + " is binary; not written to the terminal (give -o FILE, or redirect the output)";
  } else if (!platform::WriteStandardOutput(block, size, &why)) {
    error = "cannot write to standard output: " + why;
  }
  free(block);
  return error.empty() ? 0 : Fail(error);
}
