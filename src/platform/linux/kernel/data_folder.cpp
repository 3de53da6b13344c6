// SPDX-License-Identifier: MIT
// The search for the data file: the program's folder, then the XDG data
// folders, as platform/data_folder.h lists them.
#include "platform/data_folder.h"

#include "data_file.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The subfolder of a data folder that holds the programs' data.
const char kSubfolder[] = "zarvox";

// The data file as the show names it, and where it was found instead of the
// current folder; both empty while it is not elsewhere.
struct DataFileLocation {
  std::string name;
  std::string path;
};

// `folder` without trailing slashes (the root stays "/").
std::string Trimmed(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  return folder;
}

// The folder of the running program, "" when /proc cannot say.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0)
    return std::string();
  const std::string program(path, size_t(length));
  const size_t slash = program.rfind('/');
  return slash == std::string::npos ? std::string() : slash == 0 ? std::string("/") : program.substr(0, slash);
}

// The XDG base directory rules: unset or empty takes the default; relative
// entries are invalid and skipped.
void AddXdg(std::vector<std::string> *folders, const char *value) {
  const std::string list = value != nullptr ? value : "";
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(':', start);
    if (end == std::string::npos)
      end = list.size();
    const std::string entry = list.substr(start, end - start);
    if (!entry.empty() && entry[0] == '/')
      folders->push_back(Trimmed(entry) + (entry.size() > 1 ? "/" : "") + kSubfolder);
    start = end + 1;
  }
}

bool HoldsReadableFile(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0;
}

DataFileLocation &DataFile() {
  static auto *found = new DataFileLocation; // lives to the end of the process
  return *found;
}

} // namespace

std::vector<std::string> DataFolders() {
  std::vector<std::string> candidates;
  const std::string program = ProgramFolder();
  if (!program.empty()) {
    candidates.push_back(program);
    const size_t slash = program.rfind('/');
    if (slash != std::string::npos && program != "/")
      candidates.push_back((slash == 0 ? std::string() : program.substr(0, slash)) + "/share/" + kSubfolder);
  }
  const char *dataHome = std::getenv("XDG_DATA_HOME");
  const char *home = std::getenv("HOME");
  if (dataHome != nullptr && dataHome[0] == '/')
    AddXdg(&candidates, dataHome);
  else if (home != nullptr && home[0] == '/')
    candidates.push_back(Trimmed(home) + "/.local/share/" + kSubfolder);
  const char *dataDirs = std::getenv("XDG_DATA_DIRS");
  AddXdg(&candidates, dataDirs != nullptr && dataDirs[0] != '\0' ? dataDirs : "/usr/local/share:/usr/share");

  std::vector<std::string> folders;
  for (const std::string &folder : candidates) {
    bool seen = false;
    for (const std::string &earlier : folders)
      seen = seen || earlier == folder;
    if (!seen)
      folders.push_back(folder);
  }
  return folders;
}

bool FindDataFile(const char *name) {
  if (HoldsReadableFile(name))
    return false;
  for (const std::string &folder : DataFolders()) {
    if (HoldsReadableFile(folder + "/" + name)) {
      DataFile() = {name, folder + "/" + name};
      break;
    }
  }
  return false;
}

const char *DataFilePath(const char *path) {
  const DataFileLocation &found = DataFile();
  return !found.name.empty() && found.name == path ? found.path.c_str() : path;
}

} // namespace platform
