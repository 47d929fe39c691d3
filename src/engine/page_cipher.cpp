// Sealing and opening pages. libsodium provides every primitive: XChaCha20-Poly1305 for the
// pages (its 24-byte nonce leaves room for a 128-bit random prefix per opening of the file and
// a count of the pages sealed since, so nonces never repeat under a key), keyed BLAKE2b to
// give each file its own key from the engine's, Argon2id for passwords.

#include "engine/page_cipher.h"

#include <sodium.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "nrxJobDb/errors.h"

namespace nrx::files {
namespace {

constexpr std::string_view kSource = "nrxEngine.Database";

// The engine's own key. Anyone holding the engine holds it too, so with it a job is only
// kept from tools that do not know the engine; the per-file salt still gives every file a key
// of its own, so no two files share a keystream.
constexpr unsigned char kEngineKey[32] = {
    0x2a, 0x19, 0x5f, 0x79, 0xd2, 0x63, 0x44, 0xe6, 0x3d, 0xb5, 0x7b, 0x58, 0xeb, 0x2e, 0x62, 0x64,
    0x1c, 0x6c, 0x1a, 0xc5, 0x54, 0xcd, 0x34, 0x41, 0x05, 0xf1, 0x64, 0xbe, 0x34, 0x84, 0x53, 0xef};
constexpr std::string_view kKeyContext = "nrxJobDb page key 1";

// The clear header: salt, then these.
constexpr int kPageSizeAt = 16;
constexpr int kFormatAt = 18;
constexpr int kSourceAt = 19;
constexpr int kReservedAt = 20;
constexpr int kOpsAt = 21;
constexpr int kMemAt = 22;
constexpr unsigned char kFormatTag = 0x6e;
constexpr std::array<unsigned char, 16> kSqliteMagic = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                                        'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};
// What SQLite keeps in bytes 18-23 of a rollback-journal database: file format versions,
// reserved bytes (ours) and the fixed payload fractions.
constexpr unsigned char kSqliteFixed[6] = {1, 1, kReservedBytes, 64, 32, 32};

// Argon2id's limits for new passwords: libsodium's interactive ones (about a tenth of a
// second), and the most a stored header may ask for, so a forged one cannot stall an open.
constexpr unsigned kPasswordOps = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr unsigned kPasswordMemMib = crypto_pwhash_MEMLIMIT_INTERACTIVE >> 20;
constexpr unsigned kMaxOps = 16;
constexpr unsigned kMaxMemMib = 1024;

constexpr int kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr int kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
static_assert(kNonceBytes + kTagBytes == kReservedBytes);
static_assert(kNonceBytes == 16 + 8, "a random prefix and a 64-bit count");

void InitSodium() {
  // Without a successful init libsodium still works, on its portable code paths.
  static const int once = sodium_init();
  (void)once;
}

// The associated data: the page number, and for page 1 of the file its clear header.
struct Associated {
  unsigned char bytes[4 + kHeaderBytes];
  unsigned long long size;
  Associated(std::uint32_t page_no, const unsigned char* header) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(page_no >> (24 - 8 * i));
    size = 4;
    if (header != nullptr) {
      std::memcpy(bytes + 4, header, kHeaderBytes);
      size += kHeaderBytes;
    }
  }
};

void WriteHeader(const SealHeader& header, const unsigned char* sqlite_page, unsigned char* out) {
  std::memcpy(out, header.salt.data(), header.salt.size());
  out[kPageSizeAt] = sqlite_page[kPageSizeAt];
  out[kPageSizeAt + 1] = sqlite_page[kPageSizeAt + 1];
  out[kFormatAt] = kFormatTag;
  out[kSourceAt] = static_cast<unsigned char>(header.source);
  out[kReservedAt] = kReservedBytes;
  out[kOpsAt] = static_cast<unsigned char>(header.ops);
  out[kMemAt] = static_cast<unsigned char>(header.mem_mib >> 8);
  out[kMemAt + 1] = static_cast<unsigned char>(header.mem_mib);
}

void RestoreSqliteHeader(unsigned char* page) {
  std::copy(kSqliteMagic.begin(), kSqliteMagic.end(), page);
  std::copy(std::begin(kSqliteFixed), std::end(kSqliteFixed), page + kFormatAt);
}

}  // namespace

SealHeader SealHeader::Fresh(KeySource source) {
  InitSodium();
  SealHeader header;
  randombytes_buf(header.salt.data(), header.salt.size());
  header.source = source;
  if (source == KeySource::Password) {
    header.ops = kPasswordOps;
    header.mem_mib = kPasswordMemMib;
  }
  return header;
}

std::optional<SealHeader> SealHeader::Parse(const unsigned char* bytes) {
  if (bytes[kFormatAt] != kFormatTag || bytes[kReservedAt] != kReservedBytes ||
      SealedPageSize(bytes) == 0)
    return std::nullopt;
  SealHeader header;
  std::memcpy(header.salt.data(), bytes, header.salt.size());
  header.ops = bytes[kOpsAt];
  header.mem_mib = static_cast<unsigned>(bytes[kMemAt] << 8 | bytes[kMemAt + 1]);
  switch (bytes[kSourceAt]) {
    case static_cast<unsigned char>(KeySource::Engine):
      header.source = KeySource::Engine;
      if (header.ops != 0 || header.mem_mib != 0) return std::nullopt;
      return header;
    case static_cast<unsigned char>(KeySource::Password):
      header.source = KeySource::Password;
      if (header.ops < 1 || header.ops > kMaxOps || header.mem_mib < 1 ||
          header.mem_mib > kMaxMemMib)
        return std::nullopt;
      return header;
    default:
      return std::nullopt;
  }
}

unsigned SealedPageSize(const unsigned char* header) {
  unsigned size = static_cast<unsigned>(header[kPageSizeAt] << 8 | header[kPageSizeAt + 1]);
  if (size == 1) size = 65536;
  return size >= 512 && std::has_single_bit(size) ? size : 0;
}

std::shared_ptr<const PageCipher> PageCipher::Make(const SealHeader& header,
                                                   std::string_view password) {
  InitSodium();
  std::shared_ptr<PageCipher> cipher(new PageCipher());
  cipher->header_ = header;
  randombytes_buf(cipher->nonce_prefix_.data(), cipher->nonce_prefix_.size());
  unsigned char* key = cipher->key_.data();
  if (header.source == KeySource::Engine) {
    unsigned char input[16 + kKeyContext.size()];
    std::memcpy(input, header.salt.data(), header.salt.size());
    std::memcpy(input + header.salt.size(), kKeyContext.data(), kKeyContext.size());
    crypto_generichash(key, cipher->key_.size(), input, sizeof input, kEngineKey,
                       sizeof kEngineKey);
    return cipher;
  }
  if (password.empty()) Raise(err::kNotValidPassword, kSource);
  if (crypto_pwhash(key, cipher->key_.size(), password.data(), password.size(),
                    header.salt.data(), header.ops,
                    static_cast<size_t>(header.mem_mib) << 20, crypto_pwhash_ALG_ARGON2ID13) != 0)
    RaiseText(err::kOutOfMemory, kSource,
              "There is not enough memory to derive the key from the password.");
  return cipher;
}

PageCipher::~PageCipher() { sodium_memzero(key_.data(), key_.size()); }

void PageCipher::Seal(const unsigned char* in, unsigned char* out, int size,
                      std::uint32_t page_no, bool file_page_one) const {
  const int body_at = file_page_one ? kHeaderBytes : 0;
  const int body_end = size - kReservedBytes;
  unsigned char* nonce = out + body_end;
  unsigned char* tag = nonce + kNonceBytes;
  if (file_page_one) WriteHeader(header_, in, out);
  Associated ad(page_no, file_page_one ? out : nullptr);
  std::memcpy(nonce, nonce_prefix_.data(), nonce_prefix_.size());
  std::uint64_t count = sealed_.fetch_add(1, std::memory_order_relaxed);
  for (std::size_t i = nonce_prefix_.size(); i < kNonceBytes; ++i, count >>= 8)
    nonce[i] = static_cast<unsigned char>(count);
  crypto_aead_xchacha20poly1305_ietf_encrypt_detached(
      out + body_at, tag, nullptr, in + body_at, static_cast<unsigned long long>(body_end - body_at),
      ad.bytes, ad.size, nullptr, nonce, key_.data());
}

bool PageCipher::Open(unsigned char* page, int size, std::uint32_t page_no,
                      bool file_page_one) const {
  const int body_at = file_page_one ? kHeaderBytes : 0;
  const int body_end = size - kReservedBytes;
  const unsigned char* nonce = page + body_end;
  const unsigned char* tag = nonce + kNonceBytes;
  Associated ad(page_no, file_page_one ? page : nullptr);
  bool sound = crypto_aead_xchacha20poly1305_ietf_decrypt_detached(
                   page + body_at, nullptr, page + body_at,
                   static_cast<unsigned long long>(body_end - body_at), tag, ad.bytes, ad.size,
                   nonce, key_.data()) == 0;
  if (!sound) {
    std::memset(page, 0, static_cast<size_t>(size));
    return false;
  }
  std::memset(page + body_end, 0, kReservedBytes);
  if (file_page_one) RestoreSqliteHeader(page);
  return true;
}

bool PageCipher::SameKey(const PageCipher& other) const {
  return sodium_memcmp(key_.data(), other.key_.data(), key_.size()) == 0;
}

}  // namespace nrx::files
