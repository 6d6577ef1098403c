// The option panels beside and below the cube table: the User Options menus, the filename
// prompt and its instructions, the file menu, the print menu and the printing box.
#pragma once

#include <cstdint>

namespace app {

inline constexpr int32_t kPanelMain = 1;
inline constexpr int32_t kPanelFileSave = 2;
inline constexpr int32_t kPanelPrint = 3;

// The stages the screens ask for. A stage number means something else in each panel; the
// main panel draws the same at every stage.
inline constexpr int32_t kStageMainMenu = 0;  // main: F, P and X
// File save: the instructions and the filename prompt, on a cleared screen.
inline constexpr int32_t kStageFilenamePrompt = 1;
// File save: the prompt area blanked and the prompt drawn again; the instructions stay.
inline constexpr int32_t kStageFilenameRetry = 2;
// File save: the file menu, S with G and X (no prompt, no instructions).
inline constexpr int32_t kStageFileMenu = 3;
// Print: the print menu, Y with G and X, its instructions and the printer note.
inline constexpr int32_t kStagePrintMenu = 1;
// Print: the black-on-white printing box over the menu, with the printer note inside.
inline constexpr int32_t kStagePrinting = 2;
// Print: "Printing Completed" in the box; the rest of the box stays.
inline constexpr int32_t kStagePrinted = 3;

// Draws panel `panel` at `stage`; a panel other than 1, 2 or 3 draws nothing.
void ShowPanel(int32_t panel, int32_t stage);

}  // namespace app
