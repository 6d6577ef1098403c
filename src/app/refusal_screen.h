// The refusal screen behind the TAB key: a message spelled out letter by letter over the
// cube table, then a wait for SPACE or BACKSPACE (back) or RIGHT ARROW (leave).
#pragma once

namespace app {

// Runs only on the screen "Gag"; any other screen name returns at once.
void RefusalScreen();

}  // namespace app
