#include "engine/sealed_file.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "engine/file_vfs.h"
#include "nrxJobDb/errors.h"

namespace nrx::files {
namespace {

constexpr std::string_view kSource = "nrxEngine.Database";

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

// The file's first page as stored, or empty when it cannot be read whole.
std::vector<unsigned char> StoredPageOne(const std::string& path, bool& readable) {
  std::vector<unsigned char> page;
  readable = false;
  WithFileDescriptor(path, [&](int fd) {
    if (fd < 0) return;
    readable = true;
    unsigned char header[kHeaderBytes];
    if (!ReadExactly(fd, header, sizeof header, 0)) return;
    unsigned size = SealedPageSize(header);
    if (size == 0) return;
    page.resize(size);
    if (!ReadExactly(fd, page.data(), size, 0)) page.clear();
  });
  return page;
}

}  // namespace

std::string UnopenablePageText(const std::string& file, std::uint32_t page, bool journal) {
  return fmt::format("Page {} of {}'{}' fails its authentication check: it is damaged, altered, "
                     "or was not written there with this job's key.",
                     page, journal ? "the journal " : "", file);
}

std::shared_ptr<const PageCipher> UnlockSealedFile(const std::string& path,
                                                   std::string_view password,
                                                   std::string_view fallback) {
  bool readable = false;
  std::vector<unsigned char> page = StoredPageOne(path, readable);
  if (!readable) Raise(err::kDiskError, kSource, path);
  auto header = page.empty() ? std::nullopt : SealHeader::Parse(page.data());
  if (!header) Raise(err::kNotADatabase, kSource, path);
  // A password given to a job that has none is refused too: a plain or engine-keyed file put
  // in place of a protected job must not open as if it were that job.
  if (header->source == KeySource::Engine && !password.empty() && password != fallback)
    RaiseText(err::kNotValidPassword, kSource,
              fmt::format("Not a valid password: '{}' has no password.", path));
  if (password.empty()) password = fallback;
  auto cipher = PageCipher::Make(*header, password);
  if (!cipher->Open(page.data(), static_cast<int>(page.size()), 1, true)) {
    if (header->source == KeySource::Password) Raise(err::kNotValidPassword, kSource, path);
    RaiseText(err::kNotADatabase, kSource, UnopenablePageText(path, 1, false));
  }
  return cipher;
}

void ReserveSealRoom(sqlite3* db) {
  int room = kReservedBytes;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_RESERVE_BYTES, &room) != SQLITE_OK)
    RaiseText(err::kDiskError, kSource, "The database cannot reserve room for its page seals.");
}

void CopySealed(sqlite3* source, const std::string& target, const SealKey& key) {
  for (const auto& name : {target, target + "-journal"}) unlink(name.c_str());
  ReserveSealRoom(source);
  std::string sql = "VACUUM INTO " + Quoted(MakeSealedUri(target, key, false));
  if (sqlite3_exec(source, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::string detail = sqlite3_errmsg(source);
    unlink(target.c_str());
    RaiseText(err::kDiskError, kSource,
              fmt::format("The job cannot be written anew as '{}' ({}).", target, detail));
  }
  int fd = open(target.c_str(), O_RDONLY | O_CLOEXEC);
  bool synced = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0) close(fd);
  if (!synced) {
    unlink(target.c_str());
    RaiseText(err::kDiskError, kSource,
              fmt::format("The new copy of the job cannot be flushed to disk: '{}'.", target));
  }
}

void PutInPlace(const std::string& written, const std::string& path) {
  // The job keeps who may read it.
  if (struct stat st {}; stat(path.c_str(), &st) == 0) chmod(written.c_str(), st.st_mode & 07777);
  if (std::rename(written.c_str(), path.c_str()) != 0) {
    int error = errno;
    unlink(written.c_str());
    RaiseText(err::kDiskError, kSource,
              fmt::format("The new copy of the job cannot replace '{}' ({}).", path,
                          std::strerror(error)));
  }
  // Best effort: the rename is done, and a failure to flush the folder cannot undo it.
  std::string folder = std::filesystem::path(path).parent_path().string();
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

std::vector<std::string> UnopenablePages(const std::string& path, const PageCipher& cipher,
                                         std::size_t most) {
  std::vector<std::string> problems;
  WithFileDescriptor(path, [&](int fd) {
    struct stat st {};
    unsigned char header[kHeaderBytes];
    if (fd < 0 || fstat(fd, &st) != 0 || !ReadExactly(fd, header, sizeof header, 0)) {
      problems.push_back(fmt::format("'{}' cannot be read.", path));
      return;
    }
    const unsigned size = SealedPageSize(header);
    if (size == 0) {
      problems.push_back(UnopenablePageText(path, 1, false));
      return;
    }
    std::vector<unsigned char> page(size);
    const long long pages = (st.st_size + size - 1) / size;
    for (long long n = 1; n <= pages && problems.size() < most; ++n) {
      auto page_no = static_cast<std::uint32_t>(n);
      if (!ReadExactly(fd, page.data(), size, (n - 1) * size) ||
          !cipher.Open(page.data(), static_cast<int>(size), page_no, page_no == 1))
        problems.push_back(UnopenablePageText(path, page_no, false));
    }
  });
  return problems;
}

}  // namespace nrx::files
