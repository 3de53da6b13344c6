// SPDX-License-Identifier: MIT
// Proves the RAR 2.0 cipher: the key schedule agrees with Debian's unar for
// odd lengths, for passwords that fill two blocks of the set-up and for the
// longest ones; the substitution stays a permutation; the key runs on from
// block to block; encryption and decryption undo each other.
#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "rar_internal.h"
#include "rar_test_support.h"

namespace {
bool IsPermutation(const unsigned char *s) {
  bool seen[256] = {};
  for (int i = 0; i < 256; i++)
    seen[s[i]] = true;
  return std::all_of(seen, seen + 256, [](bool b) { return b; });
}

Bytes Deciphered(const std::string &password, Bytes data) {
  crc32_init_table();
  crypt_set_key(password.c_str());
  for (size_t i = 0; i < data.size(); i += 16)
    crypt_decrypt_block(data.data() + i);
  return data;
}
} // namespace

TEST(Cipher, SubstitutionStaysAPermutation) {
  crc32_init_table();
  for (const std::string &password : {std::string("a"), std::string("tarsk"), std::string("password"),
                                      std::string(17, 'x'), std::string(254, '\xFF'), std::string("\x01\x80\xFE")}) {
    crypt_set_key(password.c_str());
    EXPECT_TRUE(IsPermutation(rar_state.key.substitution)) << password.size();
  }
}

TEST(Cipher, EncryptionAndDecryptionUndoEachOther) {
  crc32_init_table();
  Bytes plain = RandomBytes(160, 3);
  Bytes data = plain;
  crypt_set_key("tarsk");
  for (size_t i = 0; i < data.size(); i += 16)
    crypt_encrypt_block(data.data() + i);
  EXPECT_NE(data, plain);
  EXPECT_EQ(Deciphered("tarsk", data), plain);
  EXPECT_NE(Deciphered("tarsl", data), plain);
}

// The key moves on with every block: the second block deciphered after the
// first is not what a fresh key makes of it.
TEST(Cipher, KeyRunsOnFromBlockToBlock) {
  Bytes two = RandomBytes(32, 9);
  Bytes chained = Deciphered("tarsk", two);
  Bytes secondAlone = Deciphered("tarsk", Bytes(two.begin() + 16, two.end()));
  EXPECT_NE(Bytes(chained.begin() + 16, chained.end()), secondAlone);
  EXPECT_EQ(Bytes(chained.begin(), chained.begin() + 16), Deciphered("tarsk", Bytes(two.begin(), two.begin() + 16)));
}

// Many blocks at once (two at a time inside) give what one block at a time
// gives, and leave the key where it would be.
TEST(Cipher, BlocksAtOnceEqualOneAtATime) {
  for (size_t count = 1; count <= 9; count++) {
    Bytes data = RandomBytes(count * 16 + 16, uint32_t(count));
    Bytes single = data;
    crc32_init_table();
    crypt_set_key("tarsk");
    crypt_decrypt_blocks(data.data(), count + 1);
    CryptKey afterMany = rar_state.key;
    crypt_set_key("tarsk");
    for (size_t i = 0; i <= count; i++)
      crypt_decrypt_block(single.data() + 16 * i);
    EXPECT_EQ(data, single) << count;
    EXPECT_EQ(memcmp(afterMany.key, rar_state.key.key, sizeof afterMany.key), 0) << count;
  }
}

TEST(Cipher, DifferentPasswordsGiveDifferentKeys) {
  crc32_init_table();
  crypt_set_key("abc");
  CryptKey odd = rar_state.key;
  crypt_set_key("abd");
  EXPECT_NE(memcmp(&odd, &rar_state.key, sizeof odd), 0);
  // 17 characters: the set-up enciphers a second block of the padded password.
  crypt_set_key("0123456789abcdefg");
  CryptKey seventeen = rar_state.key;
  crypt_set_key("0123456789abcdefh");
  EXPECT_NE(memcmp(seventeen.key, rar_state.key.key, sizeof seventeen.key), 0);
}

// The independent control: archives enciphered by our cipher open in unar
// with the same password, for every kind of password length unar takes (it
// stops at 127 characters; the module takes up to 254).
TEST(Cipher, UnarReadsWhatWeEncipher) {
  ScratchDir dir;
  for (const std::string &password :
       {std::string("a"), std::string("abc"), std::string("tarsk"), std::string("password"),
        std::string("0123456789abcdefg"), std::string(31, 'z'), std::string(32, 'y'), std::string(127, 'q')}) {
    Bytes content = RandomBytes(1000 + password.size(), uint32_t(password.size()));
    ArchiveWriter w;
    w.AddStored("data.bin", content, password);
    std::string archive = w.Save(dir, "c.rar");
    EXPECT_EQ(Extract(archive, "data.bin", password.c_str()).data, content) << password;
    PeerResult peer = ExtractWithUnar(archive, "data.bin", password);
    if (!peer.available)
      GTEST_SKIP() << "unar is not installed";
    EXPECT_TRUE(peer.ok) << password;
    EXPECT_EQ(peer.data, content) << password;
  }
}

TEST(Cipher, RealArchiveWithPassword) {
  std::string dir = CorpusDir();
  if (dir.empty())
    GTEST_SKIP() << "the corpus of real archives is not at " << ZARVOX_RAR_CORPUS;
  Extraction e = Extract(dir + "/rarfile_rar202-comment-psw.rar", "FILE2.TXT", "password");
  EXPECT_EQ(e.data, BytesOf("file2\r\n"));
}
