// Printer output: one attached printer at a time, its document and pages, text at the current
// position, numbered font objects, colours, device-mode settings and page metrics.
//
// Every operation reports failure through runtime::error_raise in the caller's ErrorScope:
// kErrDeviceUnavailable when choosing the printer, making its device context or starting the
// document fails; kErrDeviceIo when output finds no printer or the device refuses a page
// operation; kErrBadCall for refused settings and fonts that cannot be made.
#pragma once

#include <cstdint>
#include <string>

namespace printer {

// How printer_attach chooses the printer.
enum AttachMode : int32_t {
  kAttachByName = 0,   // the given name; an empty name only detaches
  kAttachDefault = 1,  // the system's default printer, no dialog shown
  kAttachDialog = 2,   // the print dialog; Cancel attaches nothing and raises nothing
};

// Settings of printer_set.
enum Setting : int32_t {
  kSetCollate = 43,
  kSetColor = 46,
  kSetCopies = 56,
  kSetDuplex = 80,
  kSetOrientation = 179,
  kSetPaperSize = 185,
  kSetPrintQuality = 214,
  kSetDefaultSource = 268,
};

// Values of kSetOrientation.
enum Orientation : int32_t {
  kOrientationPortrait = 1,
  kOrientationLandscape = 2,
};

// Font style bits of font_new.
enum FontStyle : int32_t {
  kStyleBold = 1,
  kStyleItalic = 2,
  kStyleUnderline = 4,
  kStyleStrikeOut = 8,
};

// Character set and pitch-and-family of font_new (the platform's font numbering).
inline constexpr uint8_t kCharsetAnsi = 0;
inline constexpr uint8_t kPitchDefault = 0;
inline constexpr uint8_t kPitchFixed = 0x01;
inline constexpr uint8_t kFamilyModern = 0x30;  // constant stroke width, serifed or not

// Makes the two predefined font objects (1 "MS Sans Serif" 8 pt, 2 "Courier New", the printer's
// default font). Run once at program start; running it again changes nothing.
void printer_init();

// Detaches any attached printer (ending its page and document), then attaches one by `mode`
// and starts a document named `document` ("Print job" when empty).
void printer_attach(int32_t mode, const std::string& name, const std::string& document);
// The attached printer's name; empty when none is attached.
std::string printer_name();
// Opens a page when none is open (kErrDeviceIo without a printer).
void printer_ensure_page();
// Ends the open page, if any; the position returns to (0, 0). kErrDeviceIo without a
// printer.
void printer_end_page();
// Aborts the document and releases the printer.
void printer_abort();

// Draws `text` at the current position, which moves right by its width. An empty text does
// nothing at all.
void printer_text(const std::string& text);
// Moves to the start of the next line (down by character height plus external leading).
void printer_eol();

// Makes a font object and returns its number. size 0 means 8 points; style: FontStyle bits;
// angle in tenths of a degree.
int32_t font_new(const std::string& face, float size, int32_t style, uint8_t charset,
                 uint8_t pitch_family, int32_t angle);
// Selects font `number` into the printer (opening a page); unknown numbers are ignored.
void font_select(int32_t number);
// Makes font object 2 for the attached printer (8 points) and selects it, saving the device
// context's own font.
void printer_default_font();

// Device-mode settings (see Setting); they take effect at the next page start.
void printer_set(int32_t setting, int32_t value);

// Text colour as RGB (0x00BBGGRR); -1 is black.
void printer_text_color(int32_t rgb);
// Background colour as RGB; -1 or -2 is transparent.
void printer_background_color(int32_t rgb);

// The device capability `index` (GetDeviceCaps numbering) of the attached printer; 0 when none.
int32_t printer_device_caps(int32_t index);
// Whole lines of the current font that fit the printable height; 0 when none is attached.
int32_t printer_lines_per_page();

// Printable area in user units (device units while no scale is set).
struct PageExtent {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};
PageExtent printer_page_extent();
// Sets the user coordinate origin and units per device unit; units of 0 reset the scale.
void printer_scale(float origin_x, float origin_y, float units_x, float units_y);

// Read-only view of the printer state for callers that lay out pages (and for tests).
struct PrinterMetrics {
  int32_t char_width = 0;
  int32_t char_height = 0;
  int32_t external_leading = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t printable_width = 0;
  int32_t printable_height = 0;
  int32_t paper_width = 0;
  int32_t paper_height = 0;
  int32_t offset_x = 0;
  int32_t offset_y = 0;
  bool page_open = false;
  bool landscape = false;
  int32_t current_font = 0;
};
PrinterMetrics printer_metrics();

}  // namespace printer
