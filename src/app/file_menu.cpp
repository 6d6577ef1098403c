#include "app/file_menu.h"

#include "app/cube_table.h"
#include "app/dispatch_screens.h"
#include "app/read_action.h"
#include "app/save_results.h"
#include "app/screen_name.h"
#include "app/show_panel.h"
#include "console/screen.h"
#include "runtime/error.h"

namespace app {

void FileMenu() {
  runtime::ErrorScope scope;
  ScreenActivation activation;
  if (!ScreenIs(kScreenFile2) && !ScreenIs(kScreenFile3)) return;

  console::console_clear();
  CubeTable(kCubeScreen);
  ShowPanel(kPanelFileSave, 3);
  if (ScreenIs(kScreenFile2)) SaveResults(2, {});

  for (;;) {
    ReadAction(1);
    switch (ReadAction(2)) {
      case kActionSave:
        ScreenName(1, kScreenFile1);
        HandOver(Handover::kEnterFileName);
        return;
      case kActionMain:
        ScreenName(1, kScreenMainRefresh);
        HandOver(Handover::kDispatch);
        return;
      case kActionEnd:
        ScreenName(1, kScreenEnd);
        HandOver(Handover::kDispatch);
        return;
      default:
        break;
    }
  }
}

}  // namespace app
