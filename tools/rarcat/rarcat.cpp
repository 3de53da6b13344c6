// rarcat: writes one entry of a RAR 2.x archive to standard output, through
// the show's own extraction module. Usage: rarcat ARCHIVE NAME [PASSWORD]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/input_file.h"
#include "rar/rar_internal.h"

namespace {
int fail(const char *format, const char *a, const char *b = "") {
  fputs("rarcat: ", stderr);
  fprintf(stderr, format, a, b);
  fputc('\n', stderr);
  return 1;
}
} // namespace

int main(int argc, char **argv) {
  if (argc < 3 || argc > 4) {
    fputs("usage: rarcat ARCHIVE NAME [PASSWORD]\n"
          "Writes the entry NAME of the RAR 2.x archive ARCHIVE to standard output.\n",
          stderr);
    return argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) ? 0 : 1;
  }
  const char *archive = argv[1];
  const char *name = argv[2];
  const char *password = argc == 4 ? argv[3] : nullptr;
  if (strlen(archive) > kMaxNameLength)
    return fail("archive path longer than %s characters: %s", "259", archive);
  if (strlen(name) > kMaxNameLength)
    return fail("entry name longer than %s characters: %s", "259", name);
  if (password != nullptr && strlen(password) > kMaxPasswordLength)
    return fail("password longer than %s characters%s", "254");
  // The module logs why it failed; a missing file deserves the system's
  // words, and a FIFO or a device in the archive's place is not waited on.
  const char *why = "";
  const int probe = PlatformOpenRegularFile(archive, &why);
  if (probe < 0)
    return fail("cannot open %s: %s", archive, why);
  close(probe);

  unsigned char *block = nullptr;
  uint32_t size = 0;
  if (rar_extract_to_memory(&block, &size, name, archive, password) == 0) {
    const char *problem = rar_last_problem();
    if (problem[0] == '\0')
      return fail("%s: no entry named %s", archive, name);
    return fail("%s: %s", archive, problem);
  }
  size_t written = fwrite(block, 1, size, stdout);
  free(block);
  if (written != size || fflush(stdout) != 0)
    return fail("cannot write to standard output: %s", strerror(errno));
  return 0;
}
