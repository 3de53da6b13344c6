// SPDX-License-Identifier: MIT
// Archive layout and file handling: headers with their checksums, stored and
// compressed entries, encryption in 16-byte blocks, the temporary file.
#include "rarpack/archive_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/path.h"
#include "rar/rar.h"
#include "rar/rar_crc32.h"
#include "rar/rar_crypt.h"
#include "rar/rar_format.h"

namespace rarpack {

namespace {

constexpr uint16_t kFileWindow1M = 0x80; // dictionary size bits: 1024 KiB
constexpr uint16_t kEndSkipIfUnknown = 0x4000;
constexpr uint8_t kHostUnix = 3;
constexpr uint8_t kUnpackVersion = 20;
constexpr size_t kIoChunk = 256 * 1024;

void Put16(uint8_t *p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t *p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

std::string DescribeErrno() {
  return strerror(errno);
}

uint32_t Crc32Of(const void *data, size_t size) {
  return ~crc32_update(0xFFFFFFFFu, data, size);
}

// The archive while it is being written: the layer's output file, a
// temporary file beside it until the archive is whole, removed on failure
// and by any signal that ends the process. The first write error is kept.
class ArchiveFile {
public:
  bool Create(const std::string &path, std::string *error) { return output.Create(path, error); }

  bool Write(const void *data, size_t size) {
    if (size && fwrite(data, 1, size, output.Stream()) != size)
      return Fail();
    return true;
  }

  long Tell() { return ftell(output.Stream()); }
  bool Seek(long offset) { return fseek(output.Stream(), offset, SEEK_SET) == 0 || Fail(); }
  bool TruncateAt(long offset) { return output.Truncate(offset) || Fail(); }

  // Puts the archive in its place.
  bool Commit(std::string *error) {
    if (!ok) {
      *error = WriteError();
      return false;
    }
    return output.Commit(error);
  }

  std::string WriteError() const { return "cannot write '" + output.WrittenPath() + "': " + strerror(savedErrno); }

private:
  bool Fail() {
    if (ok)
      savedErrno = errno;
    ok = false;
    return false;
  }

  platform::OutputFile output;
  bool ok = true;
  int savedErrno = 0;
};

// Packed data on its way to the file: enciphered in 16-byte blocks when a
// password is set, the last block padded with zeros.
class DataSink {
public:
  // Each entry starts from a fresh key; the key is the RAR module's, one at a time.
  DataSink(ArchiveFile &file_, const std::string &password_) : file(file_), password(password_) {
    if (!password.empty())
      crypt_set_key(password.c_str());
  }
  ~DataSink() {
    if (!password.empty())
      crypt_clear_key();
  }

  bool Write(const uint8_t *data, size_t size) {
    if (password.empty()) {
      written += size;
      return file.Write(data, size);
    }
    while (size > 0) {
      size_t n = std::min(size, sizeof pending - pendingSize);
      memcpy(pending + pendingSize, data, n);
      pendingSize += n;
      data += n;
      size -= n;
      if (pendingSize == sizeof pending && !FlushPending())
        return false;
    }
    return true;
  }

  bool Finish() {
    if (password.empty() || pendingSize == 0)
      return true;
    size_t whole = (pendingSize + 15) & ~size_t(15);
    memset(pending + pendingSize, 0, whole - pendingSize);
    pendingSize = whole;
    return FlushPending();
  }

  uint64_t Written() const { return written; }

private:
  bool FlushPending() {
    for (size_t i = 0; i + 16 <= pendingSize; i += 16)
      crypt_encrypt_block(pending + i);
    written += pendingSize;
    bool ok = file.Write(pending, pendingSize);
    pendingSize = 0;
    return ok;
  }

  ArchiveFile &file;
  const std::string &password;
  uint8_t pending[4096]; // whole blocks are enciphered when it fills
  size_t pendingSize = 0;
  uint64_t written = 0;
};

struct FileHeader {
  uint16_t flags = 0;
  uint32_t packedSize = 0;
  uint32_t size = 0;
  uint32_t crc = 0;
  uint32_t time = 0;
  uint8_t method = kMethodStored;
  uint32_t attributes = 0;
  std::string name;

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> h(32 + name.size(), 0);
    h[2] = kBlockFile;
    Put16(&h[3], flags | kBlockHasData);
    Put16(&h[5], uint32_t(h.size()));
    Put32(&h[7], packedSize);
    Put32(&h[11], size);
    h[15] = kHostUnix;
    Put32(&h[16], crc);
    Put32(&h[20], time);
    h[24] = kUnpackVersion;
    h[25] = method;
    Put16(&h[26], uint32_t(name.size()));
    Put32(&h[28], attributes);
    memcpy(&h[32], name.data(), name.size());
    Put16(&h[0], Crc32Of(&h[2], h.size() - 2) & 0xFFFF);
    return h;
  }
};

std::vector<uint8_t> BlockBytes(uint8_t type, uint16_t flags, size_t size) {
  std::vector<uint8_t> h(size, 0);
  h[2] = type;
  Put16(&h[3], flags);
  Put16(&h[5], uint32_t(size));
  Put16(&h[0], Crc32Of(&h[2], size - 2) & 0xFFFF);
  return h;
}

// What tells one file from another whatever name reaches it.
struct FileId {
  uint64_t volume = 0, index = 0;
  bool known = false;
  bool Same(const FileId &other) const {
    return known && other.known && volume == other.volume && index == other.index;
  }
};

FileId IdOf(const PlatformFileFacts &facts) {
  FileId id;
  id.volume = facts.volume;
  id.index = facts.index;
  id.known = true;
  return id;
}

// One input file, opened and checked before anything is written.
struct Input {
  std::string path;
  std::string name;
  FILE *file = nullptr;
  uint64_t size = 0;
  int64_t mtime = 0;
  uint32_t attributes = 0;
  FileId id; // tells the archive itself among the inputs
};

// Inputs may be anything a path names: a FIFO would block a plain open for
// ever and a device never ends, so only regular files are opened (without
// blocking) and read.
FILE *OpenRegular(const std::string &path, PlatformFileFacts *facts, FileId *id, std::string *error) {
  const char *why = "";
  FILE *file = PlatformOpenRegularFileStream(path.c_str(), &why);
  if (!file) {
    *error = "cannot open '" + path + "': " + why;
    return nullptr;
  }
  if (!PlatformDescribeFile(file, facts)) {
    *error = "cannot read '" + path + "': " + DescribeErrno();
    fclose(file);
    return nullptr;
  }
  *id = IdOf(*facts);
  return file;
}

bool OpenInput(const std::string &path, Input &in, std::string *error) {
  in.path = path;
  in.name = StoredName(path);
  if (in.name.empty()) {
    *error = "cannot store '" + path + "': " + UnsafeNameReason(path);
    return false;
  }
  if (in.name.size() > kMaxNameLength) {
    *error = "cannot store '" + path + "': name longer than 259 bytes";
    return false;
  }
  PlatformFileFacts facts;
  in.file = OpenRegular(path, &facts, &in.id, error);
  if (!in.file)
    return false;
  if (facts.size > 0xFFFFFFFFull) {
    *error = "cannot store '" + path + "': larger than 4 GiB - 1 bytes";
    return false;
  }
  in.size = facts.size;
  in.mtime = facts.modified;
  // Regular file; owner-executable files keep their execute bits.
  in.attributes = facts.executable ? 0100755 : 0100644;
  // Opened again when its turn comes, so that many files never hold many descriptors.
  fclose(in.file);
  in.file = nullptr;
  return true;
}

bool ReopenInput(Input &in, std::string *error) {
  PlatformFileFacts facts;
  FileId id;
  in.file = OpenRegular(in.path, &facts, &id, error);
  if (!in.file)
    return false;
  if (!id.Same(in.id)) {
    *error = "cannot store '" + in.path + "': it was replaced while rarpack ran";
    return false;
  }
  return true;
}

class Packer {
public:
  Packer(const PackOptions &options_, ArchiveFile &file_, std::vector<EntryReport> *report_)
      : options(options_), file(file_), report(report_), encoder(options_.level > 0 ? options_.level : 1) {}

  bool WriteStart() {
    uint8_t main[13] = {};
    main[2] = kBlockMain;
    Put16(&main[3], options.solid ? kMainSolid : 0);
    Put16(&main[5], sizeof main);
    Put16(&main[0], Crc32Of(&main[2], sizeof main - 2) & 0xFFFF);
    return file.Write(kMarker, sizeof kMarker) && file.Write(main, sizeof main);
  }

  bool WriteEnd() {
    std::vector<uint8_t> end = BlockBytes(kBlockEnd, kEndSkipIfUnknown, 7);
    return file.Write(end.data(), end.size());
  }

  bool AddEntry(Input &in, std::string *error) {
    FileHeader h;
    h.name = in.name;
    h.time = DosTime(options.fixedTime ? options.mtime : int64_t(in.mtime));
    h.attributes = in.attributes;
    h.flags = kFileWindow1M;
    if (!options.password.empty())
      h.flags |= kFileEncrypted;
    const long headerAt = file.Tell();
    std::vector<uint8_t> placeholder = h.Bytes();
    if (!file.Write(placeholder.data(), placeholder.size()))
      return WriteFailed(error);
    const long dataAt = file.Tell();

    bool compress = options.level > 0 && in.size > 0;
    uint64_t packed = 0, size = 0;
    uint32_t crc = 0;
    EntryReport entry;
    if (compress) {
      const bool continuation = options.solid && encoder.HasState();
      if (continuation)
        h.flags |= kFileSolidContinuation;
      if (!CompressData(in, continuation, &packed, &size, &crc, error))
        return false;
      entry.audioBytes = encoder.Stats().audioBytes;
      // A normal archive keeps data that does not shrink stored; a solid one
      // cannot, since a stored entry would leave a gap in the decoder's window.
      if (!options.solid && packed >= size) {
        compress = false;
        entry.audioBytes = 0;
        h.flags &= uint16_t(~kFileSolidContinuation);
        if (fseek(in.file, 0, SEEK_SET) != 0 || !file.TruncateAt(dataAt)) {
          *error = "cannot rewind '" + in.path + "': " + DescribeErrno();
          return false;
        }
      }
    }
    if (!compress && !StoreData(in, &packed, &size, &crc, error))
      return false;

    h.method = compress ? uint8_t(kMethodStored + std::min(options.level, 5)) : kMethodStored;
    h.size = uint32_t(size);
    h.packedSize = uint32_t(packed);
    h.crc = crc;
    const long after = file.Tell();
    std::vector<uint8_t> header = h.Bytes();
    if (!file.Seek(headerAt) || !file.Write(header.data(), header.size()) || !file.Seek(after))
      return WriteFailed(error);
    entry.name = h.name;
    entry.size = h.size;
    entry.packedSize = h.packedSize;
    entry.stored = !compress;
    if (report)
      report->push_back(entry);
    return true;
  }

private:
  bool WriteFailed(std::string *error) {
    *error = file.WriteError();
    return false;
  }

  // Reads the whole file in chunks, feeding `consume`; checks the size limit.
  template <typename Consume>
  bool ReadAll(Input &in, uint64_t *size, uint32_t *crc, std::string *error, Consume consume) {
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kIoChunk]);
    uint32_t running = 0xFFFFFFFFu;
    uint64_t total = 0;
    for (;;) {
      size_t n = fread(chunk.get(), 1, kIoChunk, in.file);
      if (n == 0)
        break;
      total += n;
      if (total > 0xFFFFFFFFull) {
        *error = "cannot store '" + in.path + "': larger than 4 GiB - 1 bytes";
        return false;
      }
      running = crc32_update(running, chunk.get(), n);
      if (!consume(chunk.get(), n))
        return WriteFailed(error);
    }
    if (ferror(in.file)) {
      *error = "cannot read '" + in.path + "': " + DescribeErrno();
      return false;
    }
    *size = total;
    *crc = ~running;
    return true;
  }

  bool StoreData(Input &in, uint64_t *packed, uint64_t *size, uint32_t *crc, std::string *error) {
    DataSink sink(file, options.password);
    if (!ReadAll(in, size, crc, error, [&](const uint8_t *d, size_t n) { return sink.Write(d, n); }))
      return false;
    if (!sink.Finish())
      return WriteFailed(error);
    return CheckPacked(in, sink.Written(), packed, error);
  }

  bool CompressData(Input &in, bool continuation, uint64_t *packed, uint64_t *size, uint32_t *crc, std::string *error) {
    DataSink sink(file, options.password);
    encoder.BeginEntry(continuation, options.audio);
    std::vector<uint8_t> &out = encoder.Output();
    auto drain = [&]() {
      bool ok = sink.Write(out.data(), out.size());
      out.clear();
      return ok;
    };
    if (!ReadAll(in, size, crc, error, [&](const uint8_t *d, size_t n) {
          encoder.Write(d, n);
          return drain();
        }))
      return false;
    encoder.FinishEntry();
    if (!drain() || !sink.Finish())
      return WriteFailed(error);
    return CheckPacked(in, sink.Written(), packed, error);
  }

  bool CheckPacked(const Input &in, uint64_t written, uint64_t *packed, std::string *error) {
    if (written > 0xFFFFFFFFull) {
      *error = "cannot store '" + in.path + "': packed data larger than 4 GiB - 1 bytes";
      return false;
    }
    *packed = written;
    return true;
  }

  const PackOptions &options;
  ArchiveFile &file;
  std::vector<EntryReport> *report;
  Rar20Encoder encoder;
};

} // namespace

namespace {
// The parts of a path between its separators, without empty ones and ".".
// A drive (Windows: "C:"), like a leading separator, is not part of the
// stored name.
std::vector<std::string> PathParts(const std::string &path) {
  std::vector<std::string> parts;
  size_t i = platform::DriveLength(path);
  while (i <= path.size()) {
    size_t slash = path.find_first_of(platform::kPathSeparators, i);
    if (slash == std::string::npos)
      slash = path.size();
    std::string part = path.substr(i, slash - i);
    i = slash + 1;
    if (!part.empty() && part != ".")
      parts.push_back(part);
  }
  return parts;
}
} // namespace

std::string UnsafeNameReason(const std::string &path) {
  // Inside an archive '\' separates folders: a '\' in a Linux file name
  // would turn into a path (..\x climbs out, \x starts at the root) on
  // extraction.
  if (std::strchr(platform::kPathSeparators, '\\') == nullptr && path.find('\\') != std::string::npos)
    return "a '\\' in a name separates folders in an archive";
  const std::vector<std::string> parts = PathParts(path);
  if (parts.empty())
    return "no file name";
  for (const std::string &part : parts) {
    if (part == "..")
      return "the name must be a relative path without '..'";
    // Windows drops dots and spaces at the end of a name: "... " is "..".
    if (part.find_first_not_of(". ") == std::string::npos)
      return "a name part of dots and spaces only ('" + part + "') is '..' to Windows readers";
  }
  const std::string &first = parts.front();
  if (first.size() >= 2 && first[1] == ':' &&
      ((first[0] >= 'A' && first[0] <= 'Z') || (first[0] >= 'a' && first[0] <= 'z')))
    return "a name starting with a drive ('" + first.substr(0, 2) + "') leaves the target folder on Windows";
  return std::string();
}

std::string StoredName(const std::string &path) {
  if (!UnsafeNameReason(path).empty())
    return std::string();
  std::string name;
  for (const std::string &part : PathParts(path)) {
    if (!name.empty())
      name += '\\';
    name += part;
  }
  return name;
}

uint32_t DosTime(int64_t unixSeconds) {
  std::tm local;
  if (!PlatformLocalTime(unixSeconds, &local) || local.tm_year < 80)
    return (0u << 25) | (1u << 21) | (1u << 16); // 1980-01-01 00:00:00
  if (local.tm_year > 207)
    return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  return uint32_t(local.tm_year - 80) << 25 | uint32_t(local.tm_mon + 1) << 21 | uint32_t(local.tm_mday) << 16 |
         uint32_t(local.tm_hour) << 11 | uint32_t(local.tm_min) << 5 | uint32_t(local.tm_sec / 2);
}

bool PackArchive(const std::string &archivePath, const std::vector<std::string> &files, const PackOptions &options,
                 std::string *error, std::vector<EntryReport> *report) {
  crc32_init_table();
  if (options.password.size() > kMaxPasswordLength) {
    *error = "password longer than 254 bytes";
    return false;
  }
  if (options.password.find('\0') != std::string::npos) {
    *error = "password contains a zero byte";
    return false;
  }
  if (options.level < 0 || options.level > 5) {
    *error = "compression level must be 0 to 5";
    return false;
  }
  if (options.audio < kAudioAuto || options.audio > 4) {
    *error = "audio channels must be 1 to 4";
    return false;
  }
  if (platform::KindOfPath(archivePath) == platform::PathKind::kFolder) {
    *error = "cannot write '" + archivePath + "': is a directory";
    return false;
  }
  FileId archiveId;
  if (FILE *old = PlatformOpenRegularFileStream(archivePath.c_str(), nullptr)) {
    PlatformFileFacts facts;
    if (PlatformDescribeFile(old, &facts))
      archiveId = IdOf(facts);
    fclose(old);
  }
  std::vector<Input> inputs(files.size());
  struct Closer {
    std::vector<Input> &inputs;
    ~Closer() {
      for (Input &in : inputs)
        if (in.file)
          fclose(in.file);
    }
  } closer{inputs};
  for (size_t i = 0; i < files.size(); i++) {
    if (!OpenInput(files[i], inputs[i], error))
      return false;
    // Packing the old archive into the new one would replace a file by an
    // archive of itself on every run.
    if (inputs[i].id.Same(archiveId)) {
      *error = "cannot store '" + files[i] + "': it is the archive being written";
      return false;
    }
  }
  // Empty files lead a solid archive: an extractor that sees the solid
  // entries as one stream (unar 1.10) loses its place at an empty entry
  // between two compressed ones, but not at empty ones before the first.
  if (options.solid)
    std::stable_partition(inputs.begin(), inputs.end(), [](const Input &in) { return in.size == 0; });

  ArchiveFile file;
  if (!file.Create(archivePath, error))
    return false;
  Packer packer(options, file, report);
  if (!packer.WriteStart()) {
    *error = file.WriteError();
    return false;
  }
  for (Input &in : inputs) {
    if (!ReopenInput(in, error) || !packer.AddEntry(in, error))
      return false;
    fclose(in.file);
    in.file = nullptr;
  }
  if (!packer.WriteEnd()) {
    *error = file.WriteError();
    return false;
  }
  return file.Commit(error);
}

} // namespace rarpack
