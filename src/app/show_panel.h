// The option panels beside and below the cube table: the User Options menus, the filename
// prompt and its instructions, the file menu, the print menu and the printing box.
#pragma once

#include <cstdint>

namespace app {

inline constexpr int32_t kPanelMain = 1;
inline constexpr int32_t kPanelFileSave = 2;
inline constexpr int32_t kPanelPrint = 3;

// Draws panel `panel` at `stage`; a panel other than 1, 2 or 3 draws nothing.
void ShowPanel(int32_t panel, int32_t stage);

}  // namespace app
