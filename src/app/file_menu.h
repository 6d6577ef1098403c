// The file menu after a save (screen "File-2", with the confirmation box) or after the FILE
// and SAVE command words (screen "File-3", without it): S saves again, G goes back to the
// main screen, X ends the program.
#pragma once

namespace app {

void FileMenu();

}  // namespace app
