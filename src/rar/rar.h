// The RAR 2.x extraction module: one named entry of an archive on disk into a
// fresh memory block. Single-threaded; calls must not overlap.
#pragma once
#include <cstdint>

// Extracts `fileName` (matched without regard to case, with \ / and _ alike)
// from the archive at `archivePath`, deciphering with `password` (NULL or ""
// for none). On success returns 1, *block is a malloc'd block of exactly the
// entry's size (free it with free) and *size its length. On failure returns 0,
// *block is NULL and *size 0. Every request and failure goes to the debug log.
int rar_extract_to_memory(unsigned char **block, uint32_t *size, const char *fileName, const char *archivePath,
                          const char *password);
