// SPDX-License-Identifier: MIT
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

// The longest entry name and archive path (bytes) and password a call takes;
// a longer one fails the call.
constexpr uint32_t kMaxNameLength = 259;
constexpr uint32_t kMaxPasswordLength = 254;

// Why the latest call failed: its last problem message, or "" when the walk
// simply did not find the entry.
const char *rar_last_problem();

// Whether the entry the latest call found is enciphered (false when it found
// none): a CRC error there is what a wrong password gives.
bool rar_last_entry_enciphered();

// For tests and tools only: the next extraction opens (and truncates) the
// debug log in `directory` as if it were the first call of the process. NULL
// keeps the log off for the process. The directory is used as given, not
// created.
void debug_log_set_directory(const char *directory);
