// SPDX-License-Identifier: MIT
// The RAR 2.0 block cipher: 16-byte blocks, 32 rounds, a key that moves on
// after every block. One module-wide key; the packer reuses it to encrypt.
#pragma once
#include <cstddef>
#include <cstdint>

// Call crc32_init_table() (rar_crc32.h) once before any of these.

// Builds the key from a zero-terminated password of at most 254 characters
// (longer ones are cut there); "" gives the key of an empty password, which
// the reader never uses (it reads such entries undeciphered).
void crypt_set_key(const char *password);

// Enciphers / deciphers 16 bytes in place. Both advance the key from the
// cipher text, so a writer and a reader that start from the same password
// stay in step block by block, in file order.
void crypt_encrypt_block(unsigned char block[16]);
void crypt_decrypt_block(unsigned char block[16]);

// Deciphers `count` consecutive blocks in place: the same as calling
// crypt_decrypt_block on each in turn, faster.
void crypt_decrypt_blocks(unsigned char *data, size_t count);

// Folds 16 cipher-text bytes into the key words (done by both calls above).
void crypt_update_key(const unsigned char bytes[16]);

// Overwrites the key words and the substitution table with zeros.
void crypt_clear_key();
