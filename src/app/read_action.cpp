#include "app/read_action.h"

#include <string>

#include "app/hand_over.h"
#include "app/program_variables.h"
#include "app/screen_name.h"
#include "console/keyboard.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace app {

namespace {
int32_t g_last_action = 0;  // program lifetime, owned by ReadAction

// The action `key` (upper-cased) selects on the current screen, or kActionNone. The screen
// name is fetched afresh for every test.
int32_t ActionFor(const std::string& key) {
  const std::string tab = text::text_chr(9);
  const std::string space = text::text_chr(32);
  const std::string backspace = text::text_chr(8);
  const std::string right_arrow = text::text_chr(0, console::kKeyRightArrow);
  const std::string f10 = text::text_chr(0, console::kKeyF10);
  const std::string f12 = text::text_chr(0, console::kKeyF12);
  auto is = [&key](const std::string& k) { return text::text_compare(key, k) == 0; };

  int32_t pending = kActionNone;
  if (ScreenIs(kScreenBegin) || ScreenIs(kScreenMainRefresh)) {
    if (is("F")) pending = kActionSave;
    if (is("P")) pending = kActionPrint;
    if (is(tab)) pending = kActionRefusal;
  }
  if (ScreenIs(kScreenPrint1) && is("Y")) pending = kActionPrintNow;
  if ((ScreenIs(kScreenFile2) || ScreenIs(kScreenFile3)) && is("S")) pending = kActionSave;
  if (ScreenIs(kScreenGag)) {
    if (is(space) || is(backspace)) pending = kActionMain;
    if (is(right_arrow)) pending = kActionEnd;
  }
  if (pending == kActionNone && !ScreenIs(kScreenGag)) {
    if (is("G") || is(f10)) pending = kActionMain;
    if (is("X") || is(f12)) pending = kActionEnd;
  }
  return pending;
}
}  // namespace

int32_t ReadAction(int32_t mode) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  if (mode == kLastAction) return g_last_action;
  if (mode != kWaitForAction) return 0;
  int32_t pending = kActionNone;
  while (pending == kActionNone) {
    // Upper-casing by the fixed table makes "f" count as "F"; keys that mean nothing here
    // are dropped without a sound.
    pending = ActionFor(text::text_upper(console::key_wait(), text::kCaseFixedTable));
  }
  g_last_action = pending;
  return 0;
}

namespace detail {
void ReleaseLastAction() {
  g_last_action = 0;
}
}  // namespace detail

}  // namespace app
