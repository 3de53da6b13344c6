// SPDX-License-Identifier: MIT
// rarpack: writes RAR 2.x archives (stored or compressed, normal or solid,
// optionally encrypted) from files named on the command line.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/password.h"
#include "rarpack/archive_writer.h"

namespace {

const char kUsage[] = "usage: rarpack [options] ARCHIVE FILE...\n"
                      "Writes a RAR 2.x archive holding the FILEs, stored under the names given.\n"
                      "\n"
                      "  -m0 ... -m5            compression level: 0 stores, 1 is fastest, 5 smallest (default 3)\n"
                      "  --store                the same as -m0\n"
                      "  --solid                solid archive: each file continues the one before\n"
                      "  --password-file FILE   encrypt every file with the password on FILE's first line\n"
                      "                         (at most 254 bytes); FILE - is standard input, where a\n"
                      "                         terminal asks for it twice without showing it\n"
                      "  --password PASSWORD    the same with the password itself, which every user of\n"
                      "                         this machine can read while rarpack runs (ps)\n"
                      "  --audio auto|off|N     multimedia mode for sampled sound: auto (default) keeps it\n"
                      "                         where it packs smaller, off never, N forces N channels (1-4)\n"
                      "  --mtime SECONDS        write this Unix time as every file's modification time\n"
                      "                         (reproducible archives); default: each file's own\n"
                      "  -v, --verbose          list each file with its packed size\n"
                      "  --help                 show this help\n"
                      "  --version              show the version\n"
                      "  --                     the arguments after it are names, even those starting with -\n"
                      "Exit status: 0 when the archive was written, 1 when it could not be (no archive is\n"
                      "left behind), 2 for a wrong command line, 128 + N when signal N stopped it.\n";

int UsageError(const std::string &message) {
  return PlatformUsageError("rarpack", message);
}

bool ParseInt64(const char *text, long long low, long long high, long long *value) {
  if (!*text)
    return false;
  char *end = nullptr;
  errno = 0;
  long long v = strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high)
    return false;
  *value = v;
  return true;
}

} // namespace

int main(int argc, char **argv) {
  PlatformUtf8Arguments(&argc, &argv);
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "rarpack", kUsage);
  if (answered >= 0)
    return answered;
  rarpack::PackOptions options;
  bool verbose = false;
  bool passwordGiven = false;
  std::string passwordFile;
  std::vector<std::string> positional;
  bool optionsDone = false;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    if (optionsDone || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    // Options that take a value accept "--name VALUE" and "--name=VALUE".
    std::string name = arg, value;
    bool hasValue = false;
    size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    auto takeValue = [&]() {
      if (hasValue)
        return true;
      if (i + 1 >= argc)
        return false;
      value = argv[++i];
      return true;
    };
    if (arg == "--") {
      optionsDone = true;
    } else if (arg == "--store") {
      options.level = 0;
    } else if (arg.size() == 3 && arg[0] == '-' && arg[1] == 'm' && arg[2] >= '0' && arg[2] <= '5') {
      options.level = arg[2] - '0';
    } else if (arg == "--solid") {
      options.solid = true;
    } else if (arg == "-v" || arg == "--verbose") {
      verbose = true;
    } else if (name == "--password" || name == "--password-file") {
      if (!takeValue())
        return UsageError(name + " needs a value");
      if (value.empty())
        return UsageError(name == "--password" ? "the password must not be empty" : "--password-file needs a file");
      if (passwordGiven)
        return UsageError("one password only: --password or --password-file");
      passwordGiven = true;
      (name == "--password" ? options.password : passwordFile) = value;
    } else if (name == "--audio") {
      if (!takeValue())
        return UsageError("--audio needs a value");
      long long channels;
      if (value == "auto")
        options.audio = rarpack::kAudioAuto;
      else if (value == "off")
        options.audio = rarpack::kAudioOff;
      else if (ParseInt64(value.c_str(), 1, 4, &channels))
        options.audio = int(channels);
      else
        return UsageError("--audio takes auto, off or 1 to 4");
    } else if (name == "--mtime") {
      long long seconds;
      if (!takeValue())
        return UsageError("--mtime needs a value");
      if (!ParseInt64(value.c_str(), 0, 0xFFFFFFFFFFLL, &seconds))
        return UsageError("--mtime takes Unix seconds");
      options.fixedTime = true;
      options.mtime = seconds;
    } else {
      return UsageError("unknown option '" + arg + "'");
    }
  }
  if (positional.size() < 2)
    return UsageError(positional.empty() ? "no archive given" : "no files given");
  const std::string archive = positional[0];
  positional.erase(positional.begin());

  std::string error;
  if (!passwordFile.empty() && !platform::ReadPassword(passwordFile, "Password: ", true, &options.password, &error)) {
    fprintf(stderr, "rarpack: %s\n", error.c_str());
    return 1;
  }
  if (passwordGiven && options.password.empty()) {
    fprintf(stderr, "rarpack: the password is empty\n");
    return 1;
  }
  std::vector<rarpack::EntryReport> report;
  if (!rarpack::PackArchive(archive, positional, options, &error, &report)) {
    fprintf(stderr, "rarpack: %s\n", error.c_str());
    return 1;
  }
  if (verbose)
    for (const rarpack::EntryReport &e : report)
      printf("%-40s %10u -> %10u %s%s\n", e.name.c_str(), e.size, e.packedSize, e.stored ? "stored" : "packed",
             e.audioBytes ? " (audio)" : "");
  return 0;
}
