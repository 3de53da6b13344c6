// CRC-32 (reflected, polynomial 0xEDB88320) for the packer: file and header
// checksums and the cipher's key schedule.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rarpack {

// The 256-entry table; built on first use.
const uint32_t *crc32_table();

// Continues `crc` over `size` bytes. Start from 0xFFFFFFFF and complement the result.
uint32_t crc32_continue(uint32_t crc, const void *data, size_t size);

// The finished checksum of a whole buffer (start 0xFFFFFFFF, complemented).
inline uint32_t crc32_of(const void *data, size_t size) { return ~crc32_continue(0xFFFFFFFFu, data, size); }

} // namespace rarpack
