#include "app/file_menu.h"

#include "app/cube_table.h"
#include "app/hand_over.h"
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
  ShowPanel(kPanelFileSave, kStageFileMenu);
  if (ScreenIs(kScreenFile2)) SaveResults(kShowLastSave, {});

  for (;;) {
    ReadAction(kWaitForAction);
    switch (ReadAction(kLastAction)) {
      case kActionSave:
        ScreenName(kSetScreen, kScreenFile1);
        HandOver(Handover::kEnterFileName);
        return;
      case kActionMain:
        ScreenName(kSetScreen, kScreenMainRefresh);
        HandOver(Handover::kDispatch);
        return;
      case kActionEnd:
        ScreenName(kSetScreen, kScreenEnd);
        HandOver(Handover::kDispatch);
        return;
      default:
        break;
    }
  }
}

}  // namespace app
