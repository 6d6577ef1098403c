// The POSIX printing backend without a print server: fonts, PDF pages and "Save as PDF".
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "platform/posix/fake_dialog_screen.h"
#include "platform/posix/printing/cups.h"
#include "platform/posix/printing/dialog.h"
#include "platform/posix/printing/fonts.h"
#include "platform/posix/printing/guarded_printing.h"
#include "platform/posix/printing/pdf.h"
#include "platform/posix/services.h"
#include "platform/printing.h"

namespace {

using namespace platform;
using namespace platform::posix;
using posix_test::FakeDialogScreen;
using posix_test::overlay_text;

// What poppler's pdfinfo reads from a PDF ("Title", "Pages", "Page size" ...), one line per
// field as it prints them; empty when pdfinfo is not installed. The PDF is read by a reader
// of its own rather than searched as bytes: newer cairo packs the objects into compressed
// object streams.
std::string pdfinfo(const std::string& pdf) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("posix-printing-" + std::to_string(getpid()) + ".pdf");
  std::ofstream(file, std::ios::binary) << pdf;
  std::string out;
  if (FILE* p = popen(("pdfinfo '" + file.string() + "' 2>/dev/null").c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  std::filesystem::remove(file);
  return out;
}

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
  const std::string info = pdfinfo(pdf);
  if (info.empty()) GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  EXPECT_NE(info.find("Title:           Print job\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Page size:       612 x 792 pts (letter)"), std::string::npos) << info;
}

TEST(PosixPdf, EscapementTurnsTheTextAndItsAdvance) {
  // Text at 90 degrees runs up the page: its glyphs are drawn turned, and the current position
  // moves up by the text's width instead of right.
  Printing* p = platform::posix::printing();
  DeviceContext dc = p->create_dc(kSaveAsPdf, nullptr);
  ASSERT_NE(dc, 0u);
  ASSERT_GT(p->start_doc(dc, "Print job"), 0);
  LogFont lf = courier_bold(-117);
  lf.escapement = lf.orientation = 900;
  GdiObject font = p->create_font(lf);
  GdiObject old = p->select_object(dc, font);
  ASSERT_GT(p->start_page(dc), 0);
  p->set_text_align(dc, kTaUpdateCp);
  p->move_to(dc, 1000, 3000);
  ASSERT_TRUE(p->text_out(dc, 0, 0, "abc"));
  int32_t x = 0, y = 0;
  p->current_position(dc, x, y);
  EXPECT_EQ(x, 1000);
  EXPECT_EQ(y, 3000 - 3 * 70);
  p->abort_doc(dc);
  p->select_object(dc, old);
  p->delete_object(font);
  p->delete_dc(dc);

  // The canvas draws turned text with the same advance.
  auto f = PrinterFont::make(lf, 600);
  ASSERT_TRUE(f);
  PdfCanvas canvas;
  ASSERT_TRUE(canvas.begin("Print job"));
  ASSERT_TRUE(canvas.start_page(PageGeometry{}));
  EXPECT_EQ(canvas.draw_text(*f, 100, 100, "abc", 0, true, 0xFFFFFF), 3 * 70);
  ASSERT_TRUE(canvas.end_page());
  std::string pdf;
  EXPECT_TRUE(canvas.finish(pdf));
}

// A device whose every call throws what `fault` says.
class ThrowingPrinting final : public Printing {
 public:
  enum class Fault { kMemory, kThread, kOther };
  Fault fault = Fault::kMemory;

  PrintDialogResult print_dialog(uint32_t, PrintDialogHook) override { fail(); }
  bool set_foreground_window(DialogWindow) override { fail(); }
  PrinterHandle open_printer(const std::string&) override { fail(); }
  bool close_printer(PrinterHandle) override { fail(); }
  int32_t document_properties(PrinterHandle, const std::string&, DevMode*) override { fail(); }
  int32_t device_capabilities(const std::string&, uint16_t, std::vector<uint16_t>*) override {
    fail();
  }
  DeviceContext create_dc(const std::string&, const DevMode*) override { fail(); }
  bool delete_dc(DeviceContext) override { fail(); }
  DeviceContext reset_dc(DeviceContext, const DevMode*) override { fail(); }
  int32_t start_doc(DeviceContext, const std::string&) override { fail(); }
  int32_t end_doc(DeviceContext) override { fail(); }
  int32_t abort_doc(DeviceContext) override { fail(); }
  int32_t start_page(DeviceContext) override { fail(); }
  int32_t end_page(DeviceContext) override { fail(); }
  int32_t device_caps(DeviceContext, int32_t) override { fail(); }
  uint32_t set_text_align(DeviceContext, uint32_t) override { fail(); }
  bool text_out(DeviceContext, int32_t, int32_t, const std::string&) override { fail(); }
  bool move_to(DeviceContext, int32_t, int32_t) override { fail(); }
  bool current_position(DeviceContext, int32_t&, int32_t&) override { fail(); }
  bool text_metrics(DeviceContext, TextMetrics&) override { fail(); }
  uint32_t set_text_color(DeviceContext, uint32_t) override { fail(); }
  uint32_t set_bk_color(DeviceContext, uint32_t) override { fail(); }
  int32_t set_bk_mode(DeviceContext, int32_t) override { fail(); }
  GdiObject create_font(const LogFont&) override { fail(); }
  GdiObject select_object(DeviceContext, GdiObject) override { fail(); }
  bool delete_object(GdiObject) override { fail(); }

 private:
  [[noreturn]] void fail() const {
    switch (fault) {
      case Fault::kMemory:
        throw std::bad_alloc();
      case Fault::kThread:
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      case Fault::kOther:
        break;
    }
    throw 42;
  }
};

TEST(PosixPrintingSeam, NothingThrownCrossesItEachCallFailsInstead) {
  using Fault = ThrowingPrinting::Fault;
  for (Fault fault : {Fault::kMemory, Fault::kThread, Fault::kOther}) {
    SCOPED_TRACE(static_cast<int>(fault));
    ThrowingPrinting inner;
    inner.fault = fault;
    GuardedPrinting p(inner);
    PrintDialogResult r = p.print_dialog(kPdReturnDc, nullptr);
    // No printer, and a failure the caller reports (not a cancel, which has no error).
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.dc, 0u);
    EXPECT_EQ(r.extended_error,
              fault == Fault::kMemory ? kCdErrMemAllocFailure : kCdErrInitialization);
    EXPECT_FALSE(p.set_foreground_window(1));
    EXPECT_EQ(p.open_printer("office"), 0u);
    EXPECT_FALSE(p.close_printer(0x10));
    DevMode mode;
    EXPECT_LT(p.document_properties(0x10, "office", &mode), 0);
    EXPECT_LT(p.device_capabilities("office", kDcCopies, nullptr), 0);
    EXPECT_EQ(p.create_dc("office", nullptr), 0u);
    EXPECT_FALSE(p.delete_dc(0x100));
    EXPECT_EQ(p.reset_dc(0x100, &mode), 0u);
    EXPECT_LT(p.start_doc(0x100, "Print job"), 0);
    EXPECT_LT(p.end_doc(0x100), 0);
    EXPECT_LT(p.abort_doc(0x100), 0);
    EXPECT_LT(p.start_page(0x100), 0);
    EXPECT_LT(p.end_page(0x100), 0);
    EXPECT_EQ(p.device_caps(0x100, kLogPixelsY), 0);
    EXPECT_EQ(p.set_text_align(0x100, kTaUpdateCp), kGdiErrorAlign);
    EXPECT_FALSE(p.text_out(0x100, 0, 0, "abc"));
    EXPECT_FALSE(p.move_to(0x100, 1, 2));
    int32_t x = 0, y = 0;
    EXPECT_FALSE(p.current_position(0x100, x, y));
    TextMetrics metrics;
    EXPECT_FALSE(p.text_metrics(0x100, metrics));
    EXPECT_EQ(p.set_text_color(0x100, 0), 0xFFFFFFFFu);
    EXPECT_EQ(p.set_bk_color(0x100, 0), 0xFFFFFFFFu);
    EXPECT_EQ(p.set_bk_mode(0x100, kBkTransparent), 0);
    EXPECT_EQ(p.create_font(courier_bold(-117)), 0u);
    EXPECT_EQ(p.select_object(0x100, 0x1000), 0u);
    EXPECT_FALSE(p.delete_object(0x1000));
  }
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
  // "Save as PDF" writes one file: no copies to set there.
  EXPECT_FALSE(m.copies_offered());
  m.key(key('7', '7'));
  EXPECT_EQ(m.copies(), 1);
  EXPECT_NE(overlay_text(render_print_dialog(m, 80, 50, true)).find("one file per print"),
            std::string::npos);
  m.key(key(0x26));
  EXPECT_EQ(m.choice().name, "lab");
  m.key(key('1', '1'));
  m.key(key('2', '2'));
  EXPECT_EQ(m.copies(), 12);
  m.key(key(0x08));  // back to 1: the next digit starts over
  m.key(key('1', '1'));
  m.key(key('5', '5'));
  m.key(key('0', '0'));  // 1, 5, 0: 150 is more than a printer takes, so the most it takes
  EXPECT_EQ(m.copies(), 99);
  EXPECT_NE(overlay_text(render_print_dialog(m, 80, 50, true)).find("Copies: [99]"),
            std::string::npos);
  // The chosen destination's row is bright white on blue from frame to frame; the frame and
  // the other rows black on white, in the middle of the terminal.
  const Overlay box = render_print_dialog(m, 80, 50, true);
  EXPECT_EQ(box.left, (80 - box.width) / 2);
  EXPECT_EQ(box.top, (50 - box.height) / 2);
  int chosen_rows = 0;
  for (int y = 0; y < box.height; ++y) {
    const bool chosen = box.at(1, y).ch == U' ' && box.at(2, y).ch == U'>';
    chosen_rows += chosen ? 1 : 0;
    EXPECT_EQ(box.at(0, y).attr, 0x70) << y;
    EXPECT_EQ(box.at(box.width - 2, y).attr, chosen ? 0x1F : 0x70) << y;
    EXPECT_EQ(box.at(box.width - 1, y).attr, 0x70) << y;
  }
  EXPECT_EQ(chosen_rows, 1);
  m.key(key(0x08));
  m.key(key(0x08));
  m.key(key('3', '3'));  // typing starts over once the field is back to 1
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
  std::string drawn = overlay_text(render_print_dialog(alone, 80, 50, true));
  EXPECT_NE(drawn.find("Save as PDF"), std::string::npos);

  // The frame in box-drawing characters on a UTF-8 terminal, in + - | on others; a line longer
  // than the box is cut at the frame.
  PrintDialogModel wordy({{"office", std::string(100, 'x'), true}});
  const std::string framed = overlay_text(render_print_dialog(wordy, 80, 50, true));
  EXPECT_EQ(framed.rfind("\xE2\x94\x8C\xE2\x94\x80", 0), 0u) << framed;  // top left, rule
  EXPECT_NE(framed.find("xx\xE2\x94\x82\n"), std::string::npos) << framed;
  EXPECT_NE(framed.find("\xE2\x94\x98\n"), std::string::npos) << framed;  // bottom right
  const std::string plain = overlay_text(render_print_dialog(wordy, 80, 50, false));
  EXPECT_EQ(plain.rfind("+--", 0), 0u) << plain;
  EXPECT_NE(plain.find("xx|\n"), std::string::npos) << plain;
}

TEST(PosixPrintDialog, LateDestinationsJoinWithoutMovingTheChoice) {
  PrintDialogModel m({});
  EXPECT_EQ(m.choice().name, kSaveAsPdf);
  m.add({{"lab", "", false}});
  EXPECT_EQ(m.choice().name, kSaveAsPdf);                  // still where it was
  m.add({{"office", "Laser", true}, {"lab", "", false}});  // a repeat is not listed twice
  ASSERT_EQ(m.entries().size(), 3u);
  EXPECT_EQ(m.entries()[0].name, "office");  // the default comes first and is chosen
  EXPECT_EQ(m.choice().name, "office");
  InputEvent down;
  down.virtual_key = 0x28;
  m.key(down);
  EXPECT_EQ(m.choice().name, "lab");
  m.add({{"annex", "", true}});  // once the user has chosen, a late default does not steal it
  EXPECT_EQ(m.choice().name, "lab");
  EXPECT_EQ(m.entries().back().name, kSaveAsPdf);
}

TEST(PosixPrintDialog, ComesUpAtOnceAndAnswersKeysWhileTheServerIsAsked) {
  // A server that never answers: the box is drawn before any destination and Esc closes it.
  FakeDialogScreen term;
  term.input = {"", "", "\x1b"};
  PrintDialogModel m({});
  int asked = 0;
  DestinationSource silent = [&asked](std::vector<Destination>&) {
    ++asked;
    return Search::kLooking;
  };
  EXPECT_EQ(run_print_dialog(m, term, {}, silent), PrintDialogModel::State::kCancel);
  EXPECT_NE(term.output.find("Save as PDF"), std::string::npos);
  EXPECT_NE(term.output.find("Looking for printers"), std::string::npos);
  EXPECT_GE(asked, 2);

  // Destinations that arrive later are drawn, and Enter takes the default that came.
  FakeDialogScreen later;
  later.input = {"", "", "", "\r"};
  PrintDialogModel m2({});
  int polls = 0;
  DestinationSource slow = [&polls](std::vector<Destination>& found) {
    if (++polls == 2) found.push_back({"office", "Laser", true});
    return polls < 2 ? Search::kLooking : Search::kDone;
  };
  EXPECT_EQ(run_print_dialog(m2, later, {}, slow), PrintDialogModel::State::kOk);
  EXPECT_EQ(m2.choice().name, "office");
  EXPECT_NE(later.output.find("office - Laser"), std::string::npos);
  EXPECT_EQ(polls, 2);  // not asked again once the search is over

  // A server that never answered: the box says so, and keeps saying it until it closes.
  FakeDialogScreen quiet;
  quiet.input = {"", "", "\x1b[B", "", "\x1b"};
  PrintDialogModel m3({});
  int tries = 0;
  DestinationSource gone = [&tries](std::vector<Destination>&) {
    return ++tries < 2 ? Search::kLooking : Search::kNoAnswer;
  };
  EXPECT_EQ(run_print_dialog(m3, quiet, {}, gone), PrintDialogModel::State::kCancel);
  const std::string last_box = quiet.output.substr(quiet.output.rfind("Printer:"));
  EXPECT_NE(last_box.find("No answer from the print server"), std::string::npos);
  EXPECT_EQ(last_box.find("Looking for printers"), std::string::npos);

  // Keys typed ahead in one burst are taken one at a time: Down and Enter choose and print,
  // and the keys after the Enter are left for the screen that follows; so are those after
  // the Esc that closes the box (never a second box of its own).
  FakeDialogScreen burst;
  burst.input = {"\x1b[B\ryq"};
  PrintDialogModel m4({{"office", "", true}, {"lab", "", false}});
  EXPECT_EQ(run_print_dialog(m4, burst, {}), PrintDialogModel::State::kOk);
  EXPECT_EQ(m4.choice().name, "lab");
  EXPECT_EQ(burst.keys_left(), 2u);
  FakeDialogScreen twice;
  twice.input = {"y\x1b[B\x1b\x1b[A"};  // y, Down, Esc, Up
  PrintDialogModel m5({});
  EXPECT_EQ(run_print_dialog(m5, twice, {}), PrintDialogModel::State::kCancel);
  EXPECT_EQ(twice.keys_left(), 1u);  // Up: the next screen's
  EXPECT_EQ(twice.closes, 1);

  // No server at all is told apart from one that is silent.
  FakeDialogScreen none;
  none.input = {"", "", "\x1b"};
  PrintDialogModel m6({});
  DestinationSource absent = [](std::vector<Destination>&) { return Search::kNoServer; };
  EXPECT_EQ(run_print_dialog(m6, none, {}, absent), PrintDialogModel::State::kCancel);
  const std::string absent_box = none.output.substr(none.output.rfind("Printer:"));
  EXPECT_NE(absent_box.find("No print server found"), std::string::npos);
  EXPECT_EQ(absent_box.find("No answer"), std::string::npos);
}

// Sets an environment variable for the life of the object, then puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// How the dialog's search for destinations ends, with `budget_ms` for the server to answer.
// The search runs on a thread of its own, which reads $CUPS_SERVER afresh.
Search search_outcome(int budget_ms) {
  DestinationSearch search(budget_ms);
  std::vector<Destination> found;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  Search outcome = search.poll(found);
  while (outcome == Search::kLooking && std::chrono::steady_clock::now() < give_up) {
    usleep(10000);
    outcome = search.poll(found);
  }
  EXPECT_TRUE(found.empty());
  return outcome;
}

TEST(PosixCups, NoServerIsToldFromASilentOne) {
  // Nothing at the address: said at once, as no server.
  {
    ScopedEnv server("CUPS_SERVER", "/nonexistent/orvane-no-cups.sock");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(search_outcome(3000), Search::kNoServer);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
  // A socket that takes the connection and never answers: a silent server, past the budget.
  char dir[] = "/tmp/ot-cups-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/cups.sock";
  int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  {
    ScopedEnv server("CUPS_SERVER", path);
    EXPECT_EQ(search_outcome(500), Search::kNoAnswer);
  }
  close(listener);
  std::filesystem::remove_all(dir);
}

TEST(PosixDevice, NoDefaultDestinationIsAFailureNotSaveAsPdf) {
  // No print server at all: the default printer cannot be had, and the answer comes at once.
  const char* old = getenv("CUPS_SERVER");
  std::string saved = old ? old : "";
  setenv("CUPS_SERVER", "/nonexistent/orvane-no-cups.sock", 1);
  auto start = std::chrono::steady_clock::now();
  PrintDialogResult r = platform::posix::printing()->print_dialog(
      kPdReturnDc | kPdReturnDefault | kPdEnablePrintHook, nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.extended_error, kPdErrNoDefaultPrinter);
  EXPECT_EQ(r.dc, 0u);
  if (old) {
    setenv("CUPS_SERVER", saved.c_str(), 1);
  } else {
    unsetenv("CUPS_SERVER");
  }
}

TEST(PosixPaper, SystemPaperComesFromLibpaper) {
  // $PAPERSIZE names the paper to libpaper 1 and 2 alike (2 reads no $PAPERCONF).
  const char* old_size = getenv("PAPERSIZE");
  std::string saved_size = old_size ? old_size : "";
  auto paper_named = [&](const char* name) {
    setenv("PAPERSIZE", name, 1);
    return system_paper(600);
  };
  Media a4 = paper_named("a4");
  EXPECT_EQ(a4.code, 9);
  EXPECT_EQ(a4.name, "iso_a4_210x297mm");
  EXPECT_EQ(a4.geometry.paper_width, 4961);
  EXPECT_EQ(a4.geometry.paper_height, 7016);
  EXPECT_EQ(a4.geometry.offset_x, 150);
  EXPECT_EQ(paper_named("legal").code, 5);
  Media a6 = paper_named("a6");  // a paper without a code of its own keeps its size
  EXPECT_EQ(a6.code, 0);
  EXPECT_EQ(a6.geometry.paper_width, 2480);
  EXPECT_EQ(paper_named("no-such-paper").code, 1);  // Letter
  if (old_size) {
    setenv("PAPERSIZE", saved_size.c_str(), 1);
  } else {
    unsetenv("PAPERSIZE");
  }
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
    // Letter paper whatever this machine's /etc/papersize or locale says.
    setenv("PAPERSIZE", "letter", 1);
  }
  void TearDown() override {
    unsetenv("ORVANE_DRIVE_C");
    unsetenv("PAPERSIZE");
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

TEST_F(SaveAsPdf, TakesNoCopiesAndUsesTheSystemPaper) {
  Printing* p = platform::posix::printing();
  EXPECT_EQ(p->device_capabilities(kSaveAsPdf, kDcCopies, nullptr), 1);
  EXPECT_EQ(p->device_capabilities(kSaveAsPdf, kDcDuplex, nullptr), 0);
  PrinterHandle h = p->open_printer(kSaveAsPdf);
  ASSERT_NE(h, 0u);
  DevMode mode;
  ASSERT_GT(p->document_properties(h, kSaveAsPdf, &mode), 0);
  p->close_printer(h);
  EXPECT_FALSE(mode.fields & kDmCopies);
  setenv("PAPERSIZE", "a4", 1);
  DeviceContext dc = p->create_dc(kSaveAsPdf, nullptr);
  ASSERT_NE(dc, 0u);
  EXPECT_EQ(p->device_caps(dc, kPhysicalWidth), 4961);
  EXPECT_EQ(p->device_caps(dc, kPhysicalHeight), 7016);
  p->delete_dc(dc);
}

TEST_F(SaveAsPdf, AFileThatCannotBeWrittenWholeIsRemoved) {
  // A file size limit below the PDF's size fails the write as a full disk does.
  Printing* p = platform::posix::printing();
  struct sigaction ignore = {}, old_action = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old_action);
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit small = old_limit;
  small.rlim_cur = 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  DeviceContext dc = p->create_dc(kSaveAsPdf, nullptr);
  ASSERT_GT(p->start_doc(dc, "Print job"), 0);
  GdiObject font = p->create_font(courier_bold(-117));
  GdiObject old = p->select_object(dc, font);
  ASSERT_GT(p->start_page(dc), 0);
  p->set_text_align(dc, kTaUpdateCp);
  ASSERT_TRUE(p->text_out(dc, 0, 0, "a line long enough to make the page more than a kilobyte"));
  ASSERT_GT(p->end_page(dc), 0);
  int32_t ended = p->end_doc(dc);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  sigaction(SIGXFSZ, &old_action, nullptr);
  EXPECT_LE(ended, 0);
  p->select_object(dc, old);
  p->delete_object(font);
  p->delete_dc(dc);
  for (auto& e : std::filesystem::recursive_directory_iterator(dir_)) {
    EXPECT_FALSE(e.is_regular_file()) << e.path() << " was left behind";
  }
}

TEST_F(SaveAsPdf, WritesNumberedFilesWithoutOverwriting) {
  Printing* p = platform::posix::printing();
  ASSERT_NE(p, nullptr);
  print_page(*p);
  std::filesystem::path first;
  for (auto& e : std::filesystem::recursive_directory_iterator(dir_)) {
    if (e.is_regular_file()) first = e.path();
  }
  ASSERT_EQ(first.filename(), "PRINT-JOB-001.PDF");
  EXPECT_EQ(first.parent_path().filename(), "Temp");  // as the save flow makes it
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
