#include "app/save_results.h"

#include "app/cube_table.h"
#include "app/hand_over.h"
#include "app/place.h"
#include "app/program_variables.h"
#include "app/screen_name.h"
#include "console/screen.h"
#include "files/files.h"
#include "files/folders.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace app {

namespace {

// Program lifetime, overwritten by every save and read again when the box is redrawn.
std::string g_save_folder;
std::string g_saved_name;
std::string g_saved_path;
int32_t g_save_error = 0;  // first error code of the last save; 0 when it went through

// The results file is written by this program alone, and a failed open is not retried
// read-only (it could not be written anyway).
constexpr uint8_t kResultsAccess =
    files::kAccessWrite | files::kAccessNoRetry | files::kAccessShareNone;
static_assert(kResultsAccess == 97);
constexpr int32_t kRecordLength = 128;  // the usual record length of a sequential file

// Writes the results file; gives the first error code met, or 0. The results go to a file
// beside the saved path first, and replace the saved path in one step only once every write
// and the close went through: a failed save keeps an earlier file of the same name as it
// was, and leaves no empty or partial file behind.
//
// The file beside it is the save's own: whatever entry holds its name already (one left by a
// save that was cut short, or a link planted there) is removed itself, never what it leads
// to, and the file is then made new, so that no link, symbolic or hard, can carry the
// results anywhere else. Should the name be taken again in between, it is tried once more.
int32_t WriteResultsFile() {
  runtime::ErrorScope scope;
  const std::string partial = text::text_concat(g_saved_path, ".PART");
  int32_t first = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    files::file_delete(partial);
    runtime::error_take();  // mostly "not found": nothing was left there
    files::file_open(kResultsFileNumber, files::kModeOutput | files::kModeNew, kResultsAccess,
                     kRecordLength, /*handle=*/0, /*caller_flag=*/1, partial);
    first = runtime::error_take();
    if (first == 0) break;
  }
  // A failed open leaves nothing of its own behind (file_open deletes a file it made).
  const bool opened = first == 0;
  CubeTable(kCubeFile);
  if (first == 0) first = CubeTableFileError();
  files::file_close(kResultsFileNumber, 0);  // whatever its mode
  const int32_t close_error = runtime::error_take();
  if (first == 0) first = close_error;
  if (first == 0) {
    files::file_rename(partial, g_saved_path);
    first = runtime::error_take();
  }
  if (first != 0 && opened) {
    files::file_delete(partial);
    runtime::error_take();
  }
  return first;
}

void DrawConfirmationBox() {
  console::console_color(kBlack, kWhite);
  for (int32_t row = 30; row <= 35; ++row) {
    PlaceCursor(row, 47);
    PrintLine(text::text_fill(31, ' '));
  }
  PlaceCursor(31, 48);
  if (g_save_error == 0) {
    PrintLine("Results saved to file");
  } else {
    PrintLine("Results NOT saved to file");
    PlaceCursor(32, 48);
    PrintLine(text::text_concat("Error code ", std::to_string(g_save_error)));
  }
  PlaceCursor(33, 48);
  PrintLine(text::text_concat(g_saved_name, ".TXT"));
  PlaceCursor(34, 48);
  PrintLine(text::text_concat("in folder ", g_save_folder));
  console::console_color(kGrey, kBlack);
}

}  // namespace

void SaveResults(int32_t mode, const std::string& name) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  if (!ScreenIs(kScreenFile2)) return;
  if (mode == kSaveAndShow) {
    text::text_assign(g_save_folder, text::text_upper(files::kTempFolder, text::kCaseFixedTable));
    EnsureFolder(kEnsureTempFolder, g_save_folder);
    text::text_assign(g_saved_name, name);
    g_saved_path = text::text_join({g_save_folder, "\\", g_saved_name, ".TXT"});
    g_save_error = WriteResultsFile();
  }
  DrawConfirmationBox();
}

void EnsureFolder(int32_t mode, const std::string& folder) {
  runtime::ErrorScope scope;
  std::string chosen;
  if (mode == kEnsureTempFolder) {
    text::text_assign(chosen, files::kTempFolder);
  } else if (mode == kEnsureGivenFolder) {
    if (text::text_len(folder) < 6) return;
    text::text_assign(chosen, folder);
  } else {
    return;
  }
  if (FolderExists(chosen) != 0) return;
  if (FolderExists(chosen) == 0) files::dir_make(chosen);
}

int32_t FolderExists(const std::string& path) {
  runtime::ErrorScope scope;
  files::file_attributes(path);
  return runtime::error_take() == 0 ? -1 : 0;
}

namespace detail {
void ReleaseSaveGlobals() {
  g_save_folder = std::string();
  g_saved_name = std::string();
  g_saved_path = std::string();
  g_save_error = 0;
}
}  // namespace detail

}  // namespace app
