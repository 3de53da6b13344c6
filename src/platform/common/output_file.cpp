// SPDX-License-Identifier: MIT
// Output files over the back end's calls: the temporary file's name and
// place, the copy into a device or FIFO, and the messages.
#include "common/output_file.h"

#include "platform/output_file.h"
#include "platform/path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {
namespace {

// Splits `path` after its last separator (or drive): the folder part, kept
// with its separator, and the name.
void SplitPath(const std::string &path, std::string *folder, std::string *name) {
  const size_t separator = path.find_last_of(kPathSeparators);
  const size_t start = separator == std::string::npos ? DriveLength(path) : separator + 1;
  *folder = path.substr(0, start);
  *name = path.substr(start);
}

// Six letters or digits, a new choice each call.
std::string RandomLetters() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static uint64_t seed = NameSeed();
  std::string letters;
  for (int i = 0; i < 6; i++) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    letters += kLetters[(seed >> 33) % (sizeof kLetters - 1)];
  }
  return letters;
}

} // namespace

// Tries names `stem` + six letters + `suffix` in `folder` until one is free.
bool OutputFile::CreateIn(const std::string &folder, const std::string &stem, const std::string &suffix, bool ownerOnly,
                          std::string *why) {
  std::string reason;
  bool taken = true;
  for (int attempt = 0; attempt < 100 && taken && pending < 0; attempt++) {
    const std::string name = stem + RandomLetters() + suffix;
    written = folder + name;
    pending = CreatePendingFile(folder, name, ownerOnly, &stream, &taken, &reason);
  }
  if (pending < 0) {
    *why = "cannot create '" + written + "': " + reason;
    written.clear();
  }
  return pending >= 0;
}

bool OutputFile::Create(const std::string &path_, std::string *why) {
  Discard();
  path = path_;
  std::string folder, name, reason;
  SplitPath(path, &folder, &name);
  switch (OutputTargetOf(path)) {
  case OutputTarget::kFolder:
    *why = "cannot write '" + path + "': is a directory";
    return false;
  case OutputTarget::kOther:
    // Written whole first where it can be read back and sought in.
    target = OpenOutputDirectly(path, &reason);
    if (target == nullptr) {
      *why = "cannot write '" + path + "': " + reason;
      return false;
    }
    if (!CreateIn(TemporaryFolder(), name + ".tmp", "", true, why)) {
      Discard();
      return false;
    }
    return true;
  default:
    break;
  }
  if (name.empty()) {
    *why = "cannot write '" + path + "': no file name";
    return false;
  }
  // Made wherever the file itself could be: ".tmpXXXXXX" fits in a name of
  // the usual 255-byte limit.
  return CreateIn(folder, name.substr(0, std::min<size_t>(name.size(), 255 - 10)) + ".tmp", "", false, why);
}

bool OutputFile::CreateTemporary(const std::string &stem, const std::string &suffix, std::string *why) {
  Discard();
  if (!CreateIn(TemporaryFolder(), stem + "-", suffix, true, why))
    return false;
  path = written;
  return true;
}

bool OutputFile::Truncate(int64_t size) {
  return stream != nullptr && std::fflush(stream) == 0 && TruncateFile(stream, size) &&
         std::fseek(stream, long(size), SEEK_SET) == 0;
}

bool OutputFile::Close(std::string *why) {
  if (stream == nullptr)
    return true;
  const bool flushed = std::fflush(stream) == 0;
  const int error = errno;
  const bool closed = std::fclose(stream) == 0;
  stream = nullptr;
  if (flushed && closed)
    return true;
  *why = "cannot write '" + written + "': " + std::strerror(flushed ? errno : error);
  return false;
}

bool OutputFile::CopyToTarget(std::string *why) {
  std::unique_ptr<char[]> chunk(new char[1 << 16]);
  bool ok = std::fflush(stream) == 0 && std::fseek(stream, 0, SEEK_SET) == 0;
  for (size_t got; ok && (got = std::fread(chunk.get(), 1, 1 << 16, stream)) > 0;)
    ok = std::fwrite(chunk.get(), 1, got, target) == got;
  ok = ok && !std::ferror(stream) && std::fflush(target) == 0;
  const int error = errno;
  ok = std::fclose(target) == 0 && ok;
  target = nullptr;
  if (!ok)
    *why = "cannot write '" + path + "': " + std::strerror(error);
  return ok;
}

bool OutputFile::Commit(std::string *why) {
  if (target != nullptr) {
    if (stream == nullptr || !CopyToTarget(why))
      return false;
    Discard();
    written = path;
    return true;
  }
  if (!Close(why))
    return false;
  if (pending < 0)
    return true;
  std::string folder, name, reason;
  SplitPath(path, &folder, &name);
  if (!RenamePendingFile(pending, folder, name, &reason)) {
    *why = "cannot rename '" + written + "' to '" + path + "': " + reason;
    return false;
  }
  pending = -1;
  written = path;
  return true;
}

void OutputFile::Discard() {
  if (stream != nullptr)
    std::fclose(stream);
  stream = nullptr;
  if (target != nullptr)
    std::fclose(target);
  target = nullptr;
  if (pending >= 0)
    RemovePendingFile(pending);
  pending = -1;
}

bool WriteAll(int fd, const void *data, size_t size, std::string *why) {
  const char *bytes = static_cast<const char *>(data);
  for (size_t done = 0; done < size;) {
    const long n = WriteSome(fd, bytes + done, size - done);
    if (n <= 0) {
      *why = std::strerror(n < 0 ? errno : EIO);
      return false;
    }
    done += size_t(n);
  }
  return true;
}

} // namespace platform
