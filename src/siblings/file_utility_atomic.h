#pragma once
// Writing a file whole or not at all: the copy goes to a hidden name in the target's own folder,
// is flushed to the disk and renamed over the target, and the folder is flushed so that the
// rename itself survives a crash. A reader of the target sees the old file or the new one,
// never part of one.

#include <string>

namespace nrx::model {

// Copies `source` as `destination`, replacing a file of that name. Raises 75 when `source` is
// not a regular file or cannot be read, 70 when the destination's folder may not be written,
// 75 for any other failure (a full disk); on failure no part of the copy is left anywhere.
// Hidden copies left in the destination's folder by a writer that was killed are taken away.
// `source` names the object that raises.
void CopyWhole(const std::string& source, const std::string& destination,
               std::string_view errorSource);

// Flushes the folder that holds `path`, so that a rename or deletion made in it is on the disk.
// Best effort: a file system that cannot flush a folder is not an error.
void SyncFolderOf(const std::string& path);

// Raises 75 when `path` is there and is not a regular file (a folder, FIFO, device or socket):
// opening one to copy it or to ask about its lock could wait for ever.
void RefuseSpecialFile(const std::string& path, std::string_view errorSource);

}  // namespace nrx::model
