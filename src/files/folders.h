// Folders and paths: create a folder, read the attributes of a path, rename or delete a
// file, free and total bytes of a volume. Errors are raised in the caller's ErrorScope.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace files {

// The folder the results are saved in, spelled as it is made.
using platform::kTempFolder;

// Creates one folder (no parent folders). A wildcard in the path gives kErrPathNotFound; an
// existing folder kErrPathAccess, a missing parent kErrPathNotFound, refused access
// kErrPermissionDenied.
void dir_make(const std::string& path);

// The platform's attributes of a file or a folder; 0 and an error when they cannot be
// read (kErrFileNotFound missing file, kErrPathNotFound missing path, kErrBadFileName
// wildcard).
uint32_t file_attributes(const std::string& path);

// Renames the file `from` to `to` on the same volume, replacing a file named `to` in one
// step (no moment without either), and written through: once it returns, the new name
// holds the new file also after a power cut. A wildcard in either name gives 64; otherwise the
// mapped platform error (53 missing file, 76 missing path, 70 refused, 74 another volume).
void file_rename(const std::string& from, const std::string& to);

// Deletes a file, or a link itself (never what it leads to, even outside the drive). A
// wildcard gives 64; otherwise the mapped platform error.
void file_delete(const std::string& path);

// Free and total bytes of the volume named by `root`: empty text is the current drive,
// "\\server\share" a network share, otherwise the first character is a drive letter
// ("C" and "C:\TEMP" both mean drive C). 0 when the volume cannot be asked; never an error.
long double disk_free(const std::string& root);
long double disk_size(const std::string& root);

}  // namespace files
