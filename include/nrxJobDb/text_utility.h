#pragma once
// The text utility object of the application's model library: temporary file names and the
// move of a file to the user's recycle bin.

#include <string>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx::model {

class NRXJOBDB_API TextUtility : public Object {
 public:
  // The global object, created on first use and kept until the library is unloaded.
  static TextUtility& Instance();

  // A file name in `folder` (the system's temporary folder when empty) that no file has:
  // "<folder>/njb<process id>-<counter><random>.tmp". The file is not created. Raises 75 when
  // `folder` is not an existing folder.
  std::string TempFileName(const std::string& folder) const;

  // Moves the file to the desktop trash of the user's home (the freedesktop.org layout under
  // $XDG_DATA_HOME/Trash, or ~/.local/share/Trash): the file goes to files/ under a name not
  // yet taken there, with info/<name>.trashinfo telling its original path and deletion time.
  // False, with the file left where it was, when the file does not exist, is held open by an
  // engine database, lies on another file system than the trash, or the trash cannot be
  // written.
  bool MoveToRecycleBin(const std::string& path) const;
};

}  // namespace nrx::model
