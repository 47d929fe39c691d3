#pragma once
// Opening a sealed job file: its clear header, its key (checked before SQLite sees the file),
// room for nonce and tag in a new file, and a check of every page.

#include <sqlite3.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/page_cipher.h"

namespace nrx::files {

// The key of the sealed file at `path`, made from its header and `password` and proven on its
// page 1. Raises nrx::Error 3031 when the file has a password and `password` is not it (or
// page 1 is damaged: the two cannot be told apart), 3049 naming page 1 when a file without a
// password has page 1 damaged, 3043 when the file cannot be read. Reads through the engine's
// own descriptor when this process holds the file. `fallback` stands in for an empty
// `password` when the file has one, and is ignored when it has none.
std::shared_ptr<const PageCipher> UnlockSealedFile(const std::string& path,
                                                   std::string_view password,
                                                   std::string_view fallback = {});

// Gives the pages of the new, still empty database `db` room for nonce and tag; VACUUM INTO
// from `db` passes the room on to its copy. Raises 3043 when SQLite refuses.
void ReserveSealRoom(sqlite3* db);

class SealKey;

// Writes the whole database `source` as the new sealed file `target` under `key` (replacing
// any leftover of that name) and flushes it to disk. Raises 3043 when it cannot; no `target`
// is left behind then.
void CopySealed(sqlite3* source, const std::string& target, const SealKey& key);

// Renames the flushed file `written` over `path` and flushes the folder: the job is the old
// file or the new one, whenever the process stops. Raises 3043 when the rename fails.
void PutInPlace(const std::string& written, const std::string& path);

// The pages of the sealed file at `path` that do not open under `cipher` (damaged, altered,
// moved or from another file), each as a sentence naming the page; at most `most` of them.
// Reads every page, used or free. Empty for a sound file.
std::vector<std::string> UnopenablePages(const std::string& path, const PageCipher& cipher,
                                         std::size_t most);

// The sentence for a page that did not open.
std::string UnopenablePageText(const std::string& file, std::uint32_t page, bool journal);

}  // namespace nrx::files
