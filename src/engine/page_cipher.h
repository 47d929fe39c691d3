#pragma once
// The sealed page format of encrypted job files. Every page of the file and of its rollback
// journal is sealed on its own with an AEAD under a fresh random nonce, the page number as
// associated data; the nonce and the tag fill the page's reserved bytes, which SQLite leaves
// alone. The key belongs to one file: it comes from a random salt kept in the first bytes of
// page 1 and either the engine's own key or the user's password (Argon2id).
//
// Page 1 of the file keeps its first kHeaderBytes in the clear (salt, page size and how the
// key is made), as part of the associated data; SQLite's own fixed header bytes are put back
// when the page is opened.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nrx::files {

// Nonce and tag at the end of every page.
inline constexpr int kReservedBytes = 40;
// The clear header at the start of the file.
inline constexpr int kHeaderBytes = 24;

enum class KeySource : unsigned char {
  Engine = 1,    // the engine's key and the salt: keeps casual tools out, detects damage
  Password = 2,  // Argon2id over the user's password and the salt: keeps the job secret
};

// The clear header of a sealed file.
struct SealHeader {
  std::array<unsigned char, 16> salt{};
  KeySource source = KeySource::Engine;
  // Argon2id's limits for a password: passes and memory in MiB (0 for the engine's key).
  unsigned ops = 0;
  unsigned mem_mib = 0;

  // A new header with a fresh salt, and the password hash's moderate limits when needed.
  static SealHeader Fresh(KeySource source);
  // The header in the first kHeaderBytes of a file; nullopt when they are not one this engine
  // writes (the file is something else, or its header is damaged).
  static std::optional<SealHeader> Parse(const unsigned char* bytes);
};

// One file's page key. Immutable once made; shared by the file and its journal.
class PageCipher {
 public:
  // Derives the key of the file with `header`: from the engine's key, or from `password`
  // (which must then be given). Raises nrx::Error 3031 when a password file gets none.
  static std::shared_ptr<const PageCipher> Make(const SealHeader& header,
                                                std::string_view password);
  ~PageCipher();
  PageCipher(const PageCipher&) = delete;
  PageCipher& operator=(const PageCipher&) = delete;

  const SealHeader& Header() const { return header_; }

  // Seals the image of page `page_no` (`size` bytes, its last kReservedBytes free) into `out`.
  // `file_page_one`: the image is page 1 as stored in the database file itself, which gets
  // the clear header. `in` and `out` may be the same.
  void Seal(const unsigned char* in, unsigned char* out, int size, std::uint32_t page_no,
            bool file_page_one) const;
  // Opens a sealed page in place; false (and the page zeroed) when it does not authenticate:
  // altered, damaged, moved from another place, or sealed under another key.
  bool Open(unsigned char* page, int size, std::uint32_t page_no, bool file_page_one) const;

  // Whether this cipher has the same key as `other` (compared in constant time).
  bool SameKey(const PageCipher& other) const;

 private:
  PageCipher() = default;
  SealHeader header_;
  std::array<unsigned char, 32> key_{};
  // Nonces: a random prefix drawn for this cipher, then a count of the pages it has sealed, so
  // that no two seals under one key share a nonce without a system call for every page.
  std::array<unsigned char, 16> nonce_prefix_{};
  mutable std::atomic<std::uint64_t> sealed_{0};
};

// The page size that a sealed page 1 records (bytes 16-17 as SQLite writes them), or 0.
unsigned SealedPageSize(const unsigned char* header);

}  // namespace nrx::files
