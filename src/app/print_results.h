// The print menu behind the screen "Print-1": prints the results on the chosen printer.
#pragma once

namespace app {

void PrintResults();

}  // namespace app
