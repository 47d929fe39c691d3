// The stream cipher of encrypted job files. The key and nonce are the engine's own, so the
// cipher keeps the SQLite header and stored text unreadable to tools that do not know the
// engine; it is not meant to withstand someone who holds the engine itself.

#include <sodium.h>

#include <algorithm>
#include <cstring>

#include "engine/file_vfs.h"

namespace nrx::files {
namespace {

constexpr unsigned char kKey[crypto_stream_xchacha20_KEYBYTES] = {
    0xd5, 0x07, 0x80, 0xa0, 0x35, 0x01, 0xf8, 0xa8, 0x44, 0x3b, 0x0b, 0xc5, 0x9b, 0x74, 0x8f, 0x74,
    0x2c, 0x39, 0x81, 0x96, 0x2e, 0xec, 0xa4, 0x5b, 0x7e, 0xf2, 0x81, 0xdd, 0x88, 0xbe, 0xd3, 0xd3};
constexpr unsigned char kNonce[crypto_stream_xchacha20_NONCEBYTES] = {
    0xff, 0x59, 0xd8, 0x6b, 0xb1, 0xae, 0x2a, 0xdd, 0x27, 0x15, 0x64, 0x97,
    0x4d, 0xf8, 0xc4, 0x40, 0x09, 0xb8, 0x06, 0x1f, 0x74, 0x32, 0x2f, 0x9f};

// The cipher's block: the keystream position of a file offset is (offset / kBlock) blocks in.
constexpr long long kBlock = 64;

void InitSodium() {
  // Without a successful init libsodium still works, on its portable code paths.
  static const int once = sodium_init();
  (void)once;
}

void XorBlocks(unsigned char* data, long long size, long long first_block) {
  crypto_stream_xchacha20_xor_ic(data, data, static_cast<unsigned long long>(size), kNonce,
                                 static_cast<uint64_t>(first_block), kKey);
}

}  // namespace

void CipherXor(unsigned char* data, long long size, long long offset) {
  if (data == nullptr || size <= 0 || offset < 0) return;
  InitSodium();
  long long skip = offset % kBlock;
  if (skip != 0) {
    // The range starts inside a block: run the whole block and keep the part that is ours.
    unsigned char block[kBlock] = {};
    long long n = std::min(kBlock - skip, size);
    std::memcpy(block + skip, data, static_cast<size_t>(n));
    XorBlocks(block, kBlock, offset / kBlock);
    std::memcpy(data, block + skip, static_cast<size_t>(n));
    data += n;
    size -= n;
    offset += n;
  }
  if (size > 0) XorBlocks(data, size, offset / kBlock);
}

}  // namespace nrx::files
