// SPDX-License-Identifier: MIT
// CRC-32 of the RAR module (reflected, polynomial 0xEDB88320, as zip and PNG):
// archive checksums and the cipher's key schedule. The packer reuses it.
#pragma once
#include <cstddef>
#include <cstdint>

// Fills the module's table. Every extraction call rebuilds it; anything else
// that uses crc32_update or the cipher (rar_crypt.h) calls it once first.
void crc32_init_table();

// The running value continued over `count` bytes. Start from 0xFFFFFFFF and
// complement the result: ~crc32_update(0xFFFFFFFF, "abc", 3) == 0x352441C2.
uint32_t crc32_update(uint32_t value, const void *bytes, size_t count);

// The table itself (256 entries); the cipher's key schedule reads it.
const uint32_t *crc32_table();
