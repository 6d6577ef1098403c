#include "app/place.h"

#include "app/hand_over.h"
#include "console/screen.h"
#include "runtime/error.h"

namespace app {

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
