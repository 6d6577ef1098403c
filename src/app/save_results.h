// Saving the results to C:\TEMP\<NAME>.TXT and the confirmation box that reports it.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// SaveResults' modes.
inline constexpr int32_t kSaveAndShow = 1;   // write the results file, then draw the box
inline constexpr int32_t kShowLastSave = 2;  // only draw the box again; `name` is not used

// Runs only on the screen "File-2". kSaveAndShow makes sure the folder exists, writes the
// results file under `name` and draws the confirmation box; kShowLastSave only draws the box
// again for the last save. The box says whether the save went through and, when it did not,
// the first error code met while opening, writing or closing the file.
void SaveResults(int32_t mode, const std::string& name);

// EnsureFolder's modes.
inline constexpr int32_t kEnsureTempFolder = 1;   // the folder "C:\Temp"; the argument is ignored
inline constexpr int32_t kEnsureGivenFolder = 2;  // the argument, if 6 characters or longer

// kEnsureTempFolder makes sure "C:\Temp" exists (the argument is ignored);
// kEnsureGivenFolder makes sure `folder` exists, unless it is shorter than 6 characters;
// other modes do nothing.
void EnsureFolder(int32_t mode, const std::string& folder);

// -1 when the attributes of `path` can be read (a file counts as well as a folder), else 0.
int32_t FolderExists(const std::string& path);

}  // namespace app
