// The terminal protocol the console speaks, named in one place: the fixed control sequences
// it sends (as constant arrays, which the signal handlers that put the terminal back can write
// without allocating) and the builders of those that carry numbers or text. Everything here
// is what an xterm understands; what terminfo says of the terminal (TermCaps) is used instead
// where the entry has a capability for it.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace platform::posix::escapes {

// --- fixed sequences ----------------------------------------------------------------------

inline constexpr char kAltScreenOn[] = "\x1b[?1049h";  // the alternate screen, saving the main
inline constexpr char kAltScreenOff[] = "\x1b[?1049l";
inline constexpr char kCursorHide[] = "\x1b[?25l";
inline constexpr char kCursorShow[] = "\x1b[?25h";
inline constexpr char kCursorShapeReset[] = "\x1b[2 q";  // the user's own cursor shape
inline constexpr char kAutoWrapOff[] = "\x1b[?7l";
inline constexpr char kAutoWrapOn[] = "\x1b[?7h";
// Mouse button reports (the wheel among them) in the SGR encoding, and both off again in the
// opposite order.
inline constexpr char kMouseOn[] = "\x1b[?1000h\x1b[?1006h";
inline constexpr char kMouseOff[] = "\x1b[?1006l\x1b[?1000l";
inline constexpr char kResetColours[] = "\x1b[0m";  // SGR 0: the terminal's own colours
inline constexpr char kHome[] = "\x1b[H";
inline constexpr char kEraseScreen[] = "\x1b[2J";
inline constexpr char kEraseToEndOfLine[] = "\x1b[K";
// The window title saved on the terminal's title stack, and taken back from it.
inline constexpr char kTitlePush[] = "\x1b[22;0t";
inline constexpr char kTitlePop[] = "\x1b[23;0t";
// Asks for the window's position; the terminal answers Esc [ 3 ; x ; y t.
inline constexpr char kWindowPositionQuery[] = "\x1b[13t";

// --- builders (each appends to `out`) -----------------------------------------------------

// The decimal digits of `n` (0 or more), as the renderer writes its numbers.
void append_number(std::string& out, int n);
size_t number_length(int n);

// CSI n final, the number left out when it is 1 (the default of the cursor movements and of
// erase characters): "C" moves right, "X" erases characters.
void append_csi(std::string& out, int n, char final);
size_t csi_length(int n);

// The cursor to column `x`, row `y` (from 0), in the fewest bytes: the parameters that are 1
// left out.
void append_cursor_position(std::string& out, int x, int y);
size_t cursor_position_length(int x, int y);

// Select graphic rendition with parameters `params` (colour numbers, 0 to reset first).
void append_sgr(std::string& out, std::initializer_list<int> params);

// The cursor's shape: 1 blinking block, 3 blinking underline.
void append_cursor_style(std::string& out, int style);

// The window title: `shown` in the terminal's charset, with no control bytes.
void append_title(std::string& out, std::string_view shown);

// Asks the terminal window to take `cols` x `rows` cells.
void append_window_size_request(std::string& out, int cols, int rows);
// Asks the terminal window to move to pixel position `x`, `y` of the desktop.
void append_window_move(std::string& out, int x, int y);

// The SGR colour numbers for a Windows colour 0-15 (bit 0 blue, bit 1 green, bit 2 red,
// bit 3 bright): 30-37/90-97 as foreground, 40-47/100-107 as background.
int sgr_foreground(int colour);
int sgr_background(int colour);

}  // namespace platform::posix::escapes

namespace platform::posix {
using escapes::sgr_background;
using escapes::sgr_foreground;
}  // namespace platform::posix
