#include "app/screen_name.h"

#include "app/hand_over.h"
#include "app/program_variables.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace app {

namespace {
std::string g_screen_name;  // program lifetime, reachable only through ScreenName
}  // namespace

std::string ScreenName(int32_t mode, const std::string& name) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  if (mode == kSetScreen) {
    text::text_assign(g_screen_name, name);
    return {};
  }
  if (mode == kGetScreen) return g_screen_name;
  return {};
}

bool ScreenIs(const char* name) {
  runtime::ErrorScope scope;
  return text::text_compare(ScreenName(kGetScreen, {}), name) == 0;
}

namespace detail {
void ReleaseScreenName() {
  g_screen_name = std::string();
}
}  // namespace detail

}  // namespace app
