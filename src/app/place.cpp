#include "app/place.h"

#include "app/dispatch_screens.h"
#include "console/screen.h"
#include "runtime/error.h"

namespace app {

namespace {
constexpr int32_t kKeepColor = -1;  // any value of 16 or more keeps the current colour
}  // namespace

void PlaceCursor(int32_t row, int32_t column) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  console::console_locate(row, column);
}

void PlaceColored(int32_t row, int32_t column, int32_t color) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  console::console_locate(row, column);
  console::console_color(color, kKeepColor);
}

void PrintLine(const std::string& text) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  console::console_print(text);
  console::console_newline();
}

}  // namespace app
