// The POSIX printing backend without a print server: fonts, PDF pages and "Save as PDF".
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/printing_cups.h"
#include "platform/posix/printing_dialog.h"
#include "platform/posix/printing_fonts.h"
#include "platform/posix/printing_pdf.h"
#include "platform/posix/services.h"
#include "platform/printing.h"

namespace {

using namespace platform;
using namespace platform::posix;

LogFont courier_bold(int32_t height) {
  LogFont lf;
  lf.height = height;
  lf.weight = 700;
  std::snprintf(lf.face_name, sizeof lf.face_name, "Courier New");
  return lf;
}

TEST(PosixPrinterFont, CourierNewBoldResolvesToAMetricCompatibleFace) {
  auto f = PrinterFont::make(courier_bold(-117), 600);
  ASSERT_TRUE(f);
  EXPECT_NE(f->family().find("Mono"), std::string::npos) << f->family();
  EXPECT_NE(f->file().find("Bold"), std::string::npos) << f->file();
  const TextMetrics& m = f->metrics();
  EXPECT_DOUBLE_EQ(f->em(), 117);
  // Courier New and its metric twins: ascent 0.83 em, descent 0.30 em, width 0.60 em.
  EXPECT_EQ(m.height, m.ascent + m.descent);
  EXPECT_NEAR(m.height, 132, 2);
  EXPECT_EQ(m.external_leading, 0);
  EXPECT_EQ(m.ave_char_width, 70);
  // Monospaced, and each character advances by whole device units.
  EXPECT_EQ(f->text_width("iiii"), 4 * f->text_width("W"));
  EXPECT_EQ(f->text_width(""), 0);
}

TEST(PosixPrinterFont, PositiveHeightIncludesInternalLeading) {
  auto f = PrinterFont::make(courier_bold(132), 600);
  ASSERT_TRUE(f);
  EXPECT_NEAR(f->metrics().height, 132, 1);
  EXPECT_LT(f->em(), 132);
}

TEST(PosixPrinterFont, Cp1252TextBecomesUtf8) {
  EXPECT_EQ(cp1252_to_utf8("A\x80\xE9"), "A\xE2\x82\xAC\xC3\xA9");
}

TEST(PosixPdf, OnePageWithTitle) {
  auto f = PrinterFont::make(courier_bold(-117), 600);
  ASSERT_TRUE(f);
  PdfCanvas canvas;
  ASSERT_TRUE(canvas.begin("Print job"));
  ASSERT_TRUE(canvas.start_page(PageGeometry{}));
  EXPECT_EQ(canvas.draw_text(*f, 0, 0, "   1       1", 0, false, 0xFFFFFF), 12 * 70);
  ASSERT_TRUE(canvas.end_page());
  std::string pdf;
  ASSERT_TRUE(canvas.finish(pdf));
  EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
  EXPECT_NE(pdf.find("Print job"), std::string::npos);
  EXPECT_NE(pdf.find("/Count 1"), std::string::npos);
  EXPECT_NE(pdf.find("612 792"), std::string::npos);  // Letter in points
}

TEST(PosixPrintDialog, KeysChooseCopiesAndClose) {
  std::vector<Destination> dests = {{"office", "Laser", true}, {"lab", "", false}};
  PrintDialogModel m(dests);
  ASSERT_EQ(m.entries().size(), 3u);
  EXPECT_EQ(m.entries().back().name, kSaveAsPdf);
  EXPECT_EQ(m.choice().name, "office");
  auto key = [](uint16_t vk, uint8_t ch = 0) {
    InputEvent ev;
    ev.virtual_key = vk;
    ev.ch = ch;
    return ev;
  };
  m.key(key(0x26));  // Up at the top stays
  m.key(key(0x28));
  m.key(key(0x28));
  m.key(key(0x28));  // Down at the bottom stays
  EXPECT_EQ(m.choice().name, kSaveAsPdf);
  m.key(key('1', '1'));
  m.key(key('2', '2'));
  EXPECT_EQ(m.copies(), 12);
  m.key(key('3', '3'));  // 123 is too many: the digit starts over
  EXPECT_EQ(m.copies(), 3);
  m.key(key(0, '+'));
  EXPECT_EQ(m.copies(), 4);
  m.key(key(0x08));
  EXPECT_EQ(m.copies(), 1);
  m.key(key(0, '-'));
  EXPECT_EQ(m.copies(), 1);
  m.key(key(0x0D));
  EXPECT_EQ(m.state(), PrintDialogModel::State::kOk);
  m.key(key(0x1B));  // closed: later keys change nothing
  EXPECT_EQ(m.state(), PrintDialogModel::State::kOk);

  PrintDialogModel alone({});
  EXPECT_EQ(alone.choice().name, kSaveAsPdf);
  alone.key(key(0x1B));
  EXPECT_EQ(alone.state(), PrintDialogModel::State::kCancel);
  std::string drawn = render_print_dialog(alone, 80, 50, true);
  EXPECT_NE(drawn.find("Save as PDF"), std::string::npos);
}

TEST(PosixPaper, LetterByDefaultAndOtherPapersKeepTheMargins) {
  Media letter;  // what a destination that says nothing gets
  EXPECT_EQ(letter.geometry.paper_width, 5100);
  EXPECT_EQ(letter.geometry.paper_height, 6600);
  EXPECT_EQ(letter.geometry.printable_width, 4800);
  EXPECT_EQ(letter.geometry.offset_y, 150);
  Media a4 = media_for_paper(9, letter, 600);
  EXPECT_EQ(a4.name, "iso_a4_210x297mm");
  EXPECT_EQ(a4.geometry.paper_width, 4961);
  EXPECT_EQ(a4.geometry.paper_height, 7016);
  EXPECT_EQ(a4.geometry.offset_x, 150);
  EXPECT_EQ(a4.geometry.paper_width - a4.geometry.printable_width, 300);
  EXPECT_EQ(media_for_paper(123, letter, 600).name, letter.name);  // unknown: unchanged
}

TEST(PosixDevice, LandscapeTurnsThePage) {
  Printing* p = platform::posix::printing();
  DevMode mode;
  ASSERT_GT(p->device_capabilities(kSaveAsPdf, kDcOrientation, nullptr), 0);
  mode.fields = kDmOrientation | kDmPaperSize;
  mode.orientation = kOrientLandscape;
  mode.paper_size = 1;
  DeviceContext dc = p->create_dc(kSaveAsPdf, &mode);
  ASSERT_NE(dc, 0u);
  EXPECT_EQ(p->device_caps(dc, kPhysicalWidth), 6600);
  EXPECT_EQ(p->device_caps(dc, kHorzRes), 6300);
  EXPECT_EQ(p->device_caps(dc, kVertRes), 4800);
  mode.orientation = kOrientPortrait;
  EXPECT_EQ(p->reset_dc(dc, &mode), dc);
  EXPECT_EQ(p->device_caps(dc, kPhysicalWidth), 5100);
  EXPECT_EQ(p->create_dc("no such printer anywhere", nullptr), 0u);
  p->delete_dc(dc);
}

class SaveAsPdf : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ot-print-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("ORVANE_DRIVE_C", dir_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("ORVANE_DRIVE_C");
    std::filesystem::remove_all(dir_);
  }

  // Prints one page with one line on the "Save as PDF" printer.
  void print_page(Printing& p) {
    DeviceContext dc = p.create_dc(kSaveAsPdf, nullptr);
    ASSERT_NE(dc, 0u);
    ASSERT_GT(p.start_doc(dc, "Print job"), 0);
    GdiObject font = p.create_font(courier_bold(-117));
    GdiObject old = p.select_object(dc, font);
    ASSERT_NE(old, 0u);
    EXPECT_EQ(p.device_caps(dc, kLogPixelsY), 600);
    EXPECT_EQ(p.device_caps(dc, kPhysicalWidth), 5100);
    ASSERT_GT(p.start_page(dc), 0);
    p.set_text_align(dc, kTaUpdateCp);
    ASSERT_TRUE(p.text_out(dc, 0, 0, "abc"));
    int32_t x = 0, y = 0;
    p.current_position(dc, x, y);
    EXPECT_EQ(x, 3 * 70);
    ASSERT_GT(p.end_page(dc), 0);
    ASSERT_GT(p.end_doc(dc), 0);
    p.select_object(dc, old);
    EXPECT_TRUE(p.delete_object(font));
    EXPECT_TRUE(p.delete_dc(dc));
  }

  std::string dir_;
};

TEST_F(SaveAsPdf, WritesNumberedFilesWithoutOverwriting) {
  Printing* p = platform::posix::printing();
  ASSERT_NE(p, nullptr);
  print_page(*p);
  std::filesystem::path first;
  for (auto& e : std::filesystem::recursive_directory_iterator(dir_)) {
    if (e.is_regular_file()) first = e.path();
  }
  ASSERT_EQ(first.filename(), "PRINT-JOB-001.PDF");
  std::ifstream in(first, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str().rfind("%PDF", 0), 0u);
  print_page(*p);
  EXPECT_TRUE(std::filesystem::exists(first.parent_path() / "PRINT-JOB-002.PDF"));
  EXPECT_EQ(std::filesystem::file_size(first), bytes.str().size());

  // A document that never opened a page writes nothing.
  DeviceContext dc = p->create_dc(kSaveAsPdf, nullptr);
  ASSERT_GT(p->start_doc(dc, "Print job"), 0);
  EXPECT_GT(p->end_doc(dc), 0);
  p->delete_dc(dc);
  EXPECT_FALSE(std::filesystem::exists(first.parent_path() / "PRINT-JOB-003.PDF"));
}

}  // namespace
