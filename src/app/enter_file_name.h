// The filename entry behind the screen "File-1": reads a name, cleans it to the legal
// characters, upper-cased, and either saves under it or obeys a command word.
#pragma once

namespace app {

// Runs only on the screen "File-1"; any other screen name returns at once, drawing nothing.
void EnterFileName();

}  // namespace app
