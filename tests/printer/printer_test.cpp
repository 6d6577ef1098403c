#include <cfenv>
#include <string>

#include "printer_fixture.h"

namespace {

using platform::memory::DialogStep;
using namespace printer;

TEST_F(PrinterTest, DialogCancelAttachesNothingAndRaisesNothing) {
  device_.dialog_script.push_back({DialogStep::kCancel, ""});
  printer_attach(kAttachDialog, "", "");
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(printer_name(), "");
  EXPECT_EQ(device_.live_dcs(), 0);
  EXPECT_EQ(device_.last_dialog_flags, 0x14110Cu);
  // The print menu goes on to set the orientation and select a font: both find no printer.
  printer_set(kSetOrientation, 1);
  EXPECT_EQ(runtime::error_take(), 57);
  font_select(font_new("Courier New", 14, kStyleBold, 0, 0, 0));
  EXPECT_EQ(runtime::error_take(), 57);
}

TEST_F(PrinterTest, CancelIsNoFailureButAnyDialogFailureIs68) {
  device_.dialog_script.push_back({DialogStep::kCancel, ""});
  printer_attach(kAttachDialog, "", "");
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(printer_name(), "");

  // No printer installed: the dialog returns at once, before any OK, with its reason.
  device_.dialog_script.push_back({DialogStep::kFail, "", platform::kPdErrNoDefaultPrinter});
  printer_attach(kAttachDialog, "", "");
  EXPECT_EQ(runtime::error_take(), 68);
  EXPECT_EQ(printer_name(), "");

  device_.dialog_script.push_back({DialogStep::kOkWithoutReturn, "", 0x1007});
  printer_attach(kAttachDialog, "", "");
  EXPECT_EQ(runtime::error_take(), 68);
  EXPECT_EQ(printer_name(), "");

  // The default-printer mode has no OK button: any extended error is a failure.
  device_.dialog_script.push_back({DialogStep::kFail, "", platform::kPdErrNoDefaultPrinter});
  printer_attach(kAttachDefault, "", "");
  EXPECT_EQ(runtime::error_take(), 68);
  EXPECT_EQ(device_.last_dialog_flags, 0x14110Cu | platform::kPdReturnDefault);
}

TEST_F(PrinterTest, DialogOkStartsPrintJobButNoPageUntilOutput) {
  attach_by_dialog();
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(printer_name(), "Memory Printer");
  auto docs = device_.of_kind("start_doc");
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0].text, "Print job");
  EXPECT_TRUE(device_.of_kind("start_page").empty());
  EXPECT_FALSE(printer_metrics().page_open);
  // The default font (object 2, 8 points at 600 dpi) is selected at attach.
  auto made = device_.of_kind("create_font");
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].text, "Courier New");
  EXPECT_EQ(made[0].x, -66);
  EXPECT_EQ(printer_metrics().current_font, 2);
  EXPECT_EQ(device_.of_kind("foreground").size(), 1u);

  printer_text("x");
  EXPECT_EQ(device_.of_kind("start_page").size(), 1u);
  EXPECT_TRUE(printer_metrics().page_open);
}

TEST_F(PrinterTest, NamedDocumentAndAttachByName) {
  printer_attach(kAttachByName, "Memory Printer", "Results");
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(printer_name(), "Memory Printer");
  EXPECT_EQ(device_.of_kind("start_doc").at(0).text, "Results");

  printer_attach(kAttachByName, "No Such Printer", "");
  EXPECT_EQ(runtime::error_take(), 68);
  EXPECT_EQ(printer_name(), "");
  EXPECT_EQ(device_.live_dcs(), 0);  // the first printer was detached first
}

TEST_F(PrinterTest, FailedDocumentStartDeletesTheContext) {
  device_.failing.push_back("start_doc");
  attach_by_dialog();
  EXPECT_EQ(runtime::error_take(), 68);
  EXPECT_EQ(printer_name(), "");
  EXPECT_EQ(device_.live_dcs(), 0);
}

TEST_F(PrinterTest, DetachByEmptyNameEndsPageAndDocument) {
  attach_by_dialog();
  printer_text("line");
  printer_attach(kAttachByName, "", "");
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(printer_name(), "");
  EXPECT_EQ(device_.of_kind("end_page").size(), 1u);
  EXPECT_EQ(device_.of_kind("end_doc").size(), 1u);
  EXPECT_EQ(device_.live_dcs(), 0);
  EXPECT_EQ(device_.live_fonts(), 0);  // every GDI font made for the printer is released
  // The context's own font went back before it was deleted.
  auto selects = device_.of_kind("select");
  ASSERT_FALSE(selects.empty());
  EXPECT_EQ(static_cast<uint32_t>(selects.back().x), device_.dc_font_native);
}

TEST_F(PrinterTest, UnfinishedDocumentIsReportedAtDetach) {
  attach_by_dialog();
  printer_text("x");
  printer_end_page();
  device_.failing.push_back("end_doc");  // the spooler refuses the job
  printer_attach(kAttachByName, "", "");
  EXPECT_EQ(runtime::error_take(), 57);
  EXPECT_EQ(printer_name(), "");
  EXPECT_EQ(device_.live_dcs(), 0);
}

TEST_F(PrinterTest, PreviousAlignmentOfZeroIsNoFailure) {
  attach_by_dialog();
  printer_text("x");  // the device's alignment was left/top (0) before the page set its own
  EXPECT_EQ(runtime::error_take(), 0);
  printer_end_page();
  device_.failing.push_back("set_text_align");
  printer_text("y");
  EXPECT_EQ(runtime::error_take(), 57);
}

TEST_F(PrinterTest, OutputWithoutPrinter) {
  printer_end_page();
  EXPECT_EQ(runtime::error_take(), 57);
  printer_text("");
  EXPECT_EQ(runtime::error_take(), 0);
  printer_text("x");
  EXPECT_EQ(runtime::error_take(), 57);
  printer_eol();
  EXPECT_EQ(runtime::error_take(), 57);
  printer_ensure_page();
  EXPECT_EQ(runtime::error_take(), 57);
  printer_set(kSetCopies, 2);
  EXPECT_EQ(runtime::error_take(), 57);
}

TEST_F(PrinterTest, OverlongNameFailsBeforeAnyPlatformCall) {
  printer_attach(kAttachByName, std::string(262, 'P'), "");
  EXPECT_EQ(runtime::error_take(), 68);
  EXPECT_TRUE(device_.events.empty());
  printer_attach(kAttachDialog, std::string(262, 'P'), "");
  EXPECT_EQ(runtime::error_take(), 68);
  EXPECT_EQ(device_.dialog_calls, 0);
}

TEST_F(PrinterTest, TextsSideBySideAndLineEndsMoveDownOneLine) {
  attach_by_dialog();
  font_select(font_new("Courier New", 14, kStyleBold, 0, 0, 0));
  ASSERT_EQ(runtime::error_number(), 0);
  PrinterMetrics m = printer_metrics();
  ASSERT_GT(m.char_width, 0);
  printer_text("abc");
  printer_text("de");
  printer_eol();
  printer_text("f");
  auto texts = device_.of_kind("text");
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].x, 0);
  EXPECT_EQ(texts[0].y, 0);
  EXPECT_EQ(texts[1].x, 3 * m.char_width);
  EXPECT_EQ(texts[1].y, 0);
  EXPECT_EQ(texts[2].x, 0);
  EXPECT_EQ(texts[2].y, m.char_height + m.external_leading);
  EXPECT_GT(m.external_leading, 0);
  // Lines below the printable area stay on the same page.
  for (int i = 0; i < 200; ++i) printer_eol();
  printer_text("late");
  EXPECT_EQ(device_.of_kind("start_page").size(), 1u);
  printer_end_page();
  EXPECT_EQ(printer_metrics().y, 0);
  EXPECT_EQ(runtime::error_number(), 0);
}

TEST_F(PrinterTest, PageStartAppliesAlignmentSettingsAndColours) {
  attach_by_dialog();
  printer_text_color(0x123456);
  printer_background_color(0x00FF00);
  printer_set(kSetCopies, 3);
  printer_text("x");
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(device_.last_reset_mode.copies, 3);
  EXPECT_EQ(device_.of_kind("text_align").back().x, static_cast<int32_t>(platform::kTaUpdateCp));
  EXPECT_EQ(device_.of_kind("text_color").back().x, 0x123456);
  EXPECT_EQ(device_.of_kind("bk_mode").back().x, platform::kBkOpaque);
  printer_background_color(-1);
  EXPECT_EQ(device_.of_kind("bk_color").back().x, 0xFFFFFF);
  EXPECT_EQ(device_.of_kind("bk_mode").back().x, platform::kBkTransparent);
  printer_text_color(-1);
  EXPECT_EQ(device_.of_kind("text_color").back().x, 0);
}

TEST_F(PrinterTest, RefusedPageStartGives57) {
  attach_by_dialog();
  device_.failing.push_back("start_page");
  printer_text("x");
  EXPECT_EQ(runtime::error_take(), 57);
  EXPECT_FALSE(printer_metrics().page_open);
  // Detaching must not end a page the device never started.
  printer_attach(kAttachByName, "", "");
  EXPECT_TRUE(device_.of_kind("end_page").empty());
}

TEST_F(PrinterTest, FontObjects) {
  int32_t a = font_new("Arial", 0, 0, 0, 0, 0);
  int32_t b = font_new("Courier New", 10, kStyleBold | kStyleItalic, 0, 0, 900);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 4);
  attach_by_dialog();
  font_select(a);
  EXPECT_EQ(device_.of_kind("create_font").back().x, -67);  // 8 points at 600 dpi
  font_select(b);
  auto made = device_.of_kind("create_font");
  ASSERT_EQ(made.back().text, "Courier New");
  EXPECT_EQ(made.back().y, 700);
  // Unknown numbers change nothing and raise nothing.
  size_t before = device_.events.size();
  font_select(99);
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_EQ(device_.events.size(), before);
  EXPECT_EQ(printer_metrics().current_font, b);
  // Face names are cut to 31 characters.
  font_select(font_new(std::string(40, 'F'), 12, 0, 0, 0, 0));
  EXPECT_EQ(device_.of_kind("create_font").back().text, std::string(31, 'F'));
}

TEST_F(PrinterTest, FontHeightFollowsResolution) {
  device_.printers["Coarse"] = platform::memory::MemoryPrinterModel{};
  device_.printers["Coarse"].dpi = 300;
  int32_t f = font_new("Courier New", 14, kStyleBold, 0, 0, 0);
  attach_by_dialog();
  font_select(f);
  EXPECT_EQ(device_.of_kind("create_font").back().x, -117);
  attach_by_dialog("Coarse");
  font_select(f);
  EXPECT_EQ(device_.of_kind("create_font").back().x, -58);
}

// Heights that fall exactly halfway go to the even neighbour, whatever rounding mode the
// caller left behind; the caller's mode is back afterwards.
TEST_F(PrinterTest, FontHeightHalvesGoToEven) {
  device_.printers["Coarse"] = platform::memory::MemoryPrinterModel{};
  device_.printers["Coarse"].dpi = 300;
  const struct {
    float points;
    int32_t dpi;
    int32_t height;
  } cases[] = {{15, 300, -62},    {3, 300, -12},     {27, 300, -112}, {9, 300, -38},
               {7.5, 600, -62},   {13.5, 600, -112}, {14, 600, -117}, {14, 300, -58},
               {15.1f, 300, -63}, {14.9f, 300, -62}};
  const int saved = std::fegetround();
  for (const auto& c : cases) {
    attach_by_dialog(c.dpi == 300 ? "Coarse" : "Memory Printer");
    const int32_t f = font_new("Courier New", c.points, kStyleBold, 0, 0, 0);
    std::fesetround(FE_UPWARD);
    font_select(f);
    EXPECT_EQ(std::fegetround(), FE_UPWARD);
    std::fesetround(saved);
    EXPECT_EQ(device_.of_kind("create_font").back().x, c.height) << c.points << " pt at " << c.dpi;
  }
  EXPECT_EQ(runtime::error_number(), 0);
}

TEST_F(PrinterTest, FontObjectsAreReusedOnlyWhenFree) {
  attach_by_dialog();
  int32_t f = font_new("Courier New", 14, kStyleBold, 0, 0, 0);
  font_select(f);
  printer_attach(kAttachByName, "", "");
  // Still referenced by its creation: a new font takes a new number.
  EXPECT_EQ(font_new("Courier New", 14, kStyleBold, 0, 0, 0), f + 1);
  EXPECT_EQ(runtime::error_number(), 0);
}

TEST_F(PrinterTest, OrientationSetting) {
  attach_by_dialog();
  printer_text("x");
  PrinterMetrics portrait = printer_metrics();
  printer_set(kSetOrientation, 1);  // already portrait: nothing changes
  EXPECT_EQ(runtime::error_number(), 0);
  EXPECT_TRUE(printer_metrics().page_open);

  printer_set(kSetOrientation, 2);
  EXPECT_EQ(runtime::error_number(), 0);
  PrinterMetrics turned = printer_metrics();
  EXPECT_TRUE(turned.landscape);
  EXPECT_FALSE(turned.page_open);
  EXPECT_EQ(turned.printable_width, portrait.printable_height);
  EXPECT_EQ(turned.paper_height, portrait.paper_width);
  printer_text("y");  // the next page starts landscape
  EXPECT_EQ(device_.last_reset_mode.orientation, platform::kOrientLandscape);
  EXPECT_EQ(printer_metrics().printable_width, portrait.printable_height);

  printer_set(kSetOrientation, 1);  // back: the open page ends, the metrics turn again
  EXPECT_FALSE(printer_metrics().page_open);
  EXPECT_EQ(printer_metrics().printable_width, portrait.printable_width);
  printer_set(kSetOrientation, 3);
  EXPECT_EQ(runtime::error_take(), 5);
}

TEST_F(PrinterTest, PortraitOnlyDriver) {
  device_.printers["Portrait Only"] = platform::memory::MemoryPrinterModel{};
  device_.printers["Portrait Only"].orientation_cap = 0;
  attach_by_dialog("Portrait Only");
  printer_set(kSetOrientation, 1);
  EXPECT_EQ(runtime::error_take(), 0);
  printer_set(kSetOrientation, 2);
  EXPECT_EQ(runtime::error_take(), 5);
  EXPECT_FALSE(printer_metrics().landscape);
}

TEST_F(PrinterTest, OtherSettings) {
  attach_by_dialog();
  struct Case {
    int32_t setting, value, error;
  };
  const Case cases[] = {
      {kSetPrintQuality, 2, 0},
      {kSetPrintQuality, -3, 0},
      {kSetPrintQuality, 5, 5},
      {kSetPrintQuality, 0, 0},
      {kSetCopies, 99, 0},
      {kSetCopies, 100, 5},
      {kSetCopies, 0, 5},
      {kSetCollate, 1, 0},
      {kSetCollate, 2, 5},
      {kSetDuplex, 3, 0},
      {kSetDuplex, 4, 5},
      {kSetPaperSize, 9, 0},
      {kSetPaperSize, 8, 5},
      {kSetDefaultSource, 15, 0},
      {kSetDefaultSource, 1, 5},
      {kSetColor, 2, 0},
      {12345, 1, 0},
  };
  for (const Case& c : cases) {
    printer_set(c.setting, c.value);
    EXPECT_EQ(runtime::error_take(), c.error) << c.setting << " " << c.value;
  }
  printer_set(kSetPrintQuality, 2);
  printer_text("x");
  EXPECT_EQ(device_.last_reset_mode.print_quality, -2);
  EXPECT_EQ(device_.last_reset_mode.paper_size, 9);
  EXPECT_EQ(device_.last_reset_mode.paper_width, 0);
}

TEST_F(PrinterTest, ShortDriverRecordRefusesOnlyTheFieldsItLacks) {
  // A driver record that ends after dmColor: duplex and collation are not in it.
  device_.printers["Old"] = platform::memory::MemoryPrinterModel{};
  device_.printers["Old"].dm_covered = platform::kDmOrientation | platform::kDmPaperSize |
                                       platform::kDmPaperLength | platform::kDmPaperWidth |
                                       platform::kDmCopies | platform::kDmDefaultSource |
                                       platform::kDmPrintQuality | platform::kDmColor;
  attach_by_dialog("Old");
  printer_set(kSetCopies, 4);
  EXPECT_EQ(runtime::error_take(), 0);
  printer_set(kSetOrientation, 2);
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_TRUE(printer_metrics().landscape);
  printer_set(kSetDuplex, 2);
  EXPECT_EQ(runtime::error_take(), 5);
  printer_set(kSetCollate, 1);
  EXPECT_EQ(runtime::error_take(), 5);
  printer_text("x");
  EXPECT_EQ(device_.last_reset_mode.copies, 4);
  EXPECT_EQ(device_.last_reset_mode.orientation, platform::kOrientLandscape);

  // A record without the orientation field: the page is not turned, the state not flipped.
  device_.printers["Older"] = platform::memory::MemoryPrinterModel{};
  device_.printers["Older"].dm_covered = platform::kDmPaperSize;
  attach_by_dialog("Older");
  printer_set(kSetOrientation, 1);  // portrait already: nothing to change
  EXPECT_EQ(runtime::error_take(), 0);
  const PrinterMetrics before = printer_metrics();
  printer_set(kSetOrientation, 2);
  EXPECT_EQ(runtime::error_take(), 5);
  EXPECT_FALSE(printer_metrics().landscape);
  EXPECT_EQ(printer_metrics().printable_width, before.printable_width);
}

TEST_F(PrinterTest, DialogWithoutDeviceModeRefusesSettingsButPrints) {
  device_.printers["Bare"] = platform::memory::MemoryPrinterModel{};
  device_.printers["Bare"].dialog_returns_dev_mode = false;
  attach_by_dialog("Bare");
  printer_set(kSetOrientation, 1);
  EXPECT_EQ(runtime::error_take(), 5);
  printer_text("x");
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(device_.of_kind("text").size(), 1u);
}

TEST_F(PrinterTest, AbortReleasesTheDocument) {
  attach_by_dialog();
  printer_text("x");
  printer_abort();
  EXPECT_EQ(device_.of_kind("abort_doc").size(), 1u);
  EXPECT_TRUE(device_.of_kind("end_doc").empty());
  EXPECT_EQ(device_.live_dcs(), 0);
  EXPECT_EQ(printer_name(), "");
}

TEST_F(PrinterTest, LinesPerPageAndExtent) {
  attach_by_dialog();
  font_select(font_new("Courier New", 14, kStyleBold, 0, 0, 0));
  PrinterMetrics m = printer_metrics();
  EXPECT_EQ(printer_lines_per_page(), m.printable_height / (m.char_height + m.external_leading));
  PageExtent e = printer_page_extent();
  EXPECT_EQ(e.right, m.printable_width);
  printer_scale(10, 20, 2, 4);
  e = printer_page_extent();
  EXPECT_DOUBLE_EQ(e.left, 10);
  EXPECT_DOUBLE_EQ(e.right, 10 + m.printable_width / 2.0);
  EXPECT_DOUBLE_EQ(e.bottom, 20 + m.printable_height / 4.0);
  EXPECT_EQ(printer_device_caps(platform::kLogPixelsY), 600);
}

}  // namespace
