#include "platform/posix/printing/dialog.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/keyboard_layout.h"
#include "platform/posix/dialog/dialog_box.h"
#include "platform/printing.h"
#include "platform/shown_text.h"

namespace platform::posix {
namespace {

constexpr int kBoxWidth = 64;
constexpr uint16_t kChosenAttr = 0x1F;  // the chosen destination: bright white on blue
constexpr std::chrono::milliseconds kFirstAnswerGrace{300};
constexpr int kListRows = 8;
constexpr int kMaxCopies = 99;

}  // namespace

PrintDialogModel::PrintDialogModel(std::vector<Destination> destinations)
    : entries_(std::move(destinations)) {
  Destination pdf;
  pdf.name = kSaveAsPdf;
  pdf.description = "C:\\TEMP\\PRINT-JOB-NNN.PDF";
  entries_.push_back(pdf);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].is_default) {
      selected_ = i;
      break;
    }
  }
}

bool PrintDialogModel::copies_offered() const {
  return choice().name != kSaveAsPdf;
}

void PrintDialogModel::add(std::vector<Destination> destinations) {
  for (Destination& d : destinations) {
    bool known = false;
    for (const Destination& e : entries_) known = known || e.name == d.name;
    if (known) continue;
    // Defaults first, the rest in the order they came, "Save as PDF" last.
    size_t at = entries_.size() - 1;
    if (d.is_default) at = 0;
    if (at <= selected_ && !(d.is_default && !moved_)) ++selected_;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), std::move(d));
    if (entries_[at].is_default && !moved_) selected_ = at;
  }
}

void PrintDialogModel::key(const InputEvent& ev) {
  if (state_ != State::kOpen || ev.type != InputEvent::kKey || !ev.key_down) return;
  switch (ev.virtual_key) {
    case kVkUp:
      if (selected_ > 0) --selected_;
      moved_ = true;
      return;
    case kVkDown:
      if (selected_ + 1 < entries_.size()) ++selected_;
      moved_ = true;
      return;
    case kVkReturn:
      state_ = State::kOk;
      return;
    case kVkEscape:
      state_ = State::kCancel;
      return;
    default:
      break;
  }
  if (!copies_offered()) return;
  switch (ev.virtual_key) {
    case kVkBack:
      copies_ = std::max(1, copies_ / 10);
      copies_typed_ = copies_ > 1;
      return;
    case kVkRight:
    case kVkAdd:
      copies_ = std::min(kMaxCopies, copies_ + 1);
      copies_typed_ = false;
      return;
    case kVkLeft:
    case kVkSubtract:
      copies_ = std::max(1, copies_ - 1);
      copies_typed_ = false;
      return;
    default:
      break;
  }
  if (ev.ch == '+') {
    copies_ = std::min(kMaxCopies, copies_ + 1);
    copies_typed_ = false;
  } else if (ev.ch == '-') {
    copies_ = std::max(1, copies_ - 1);
    copies_typed_ = false;
  } else if (ev.ch >= '0' && ev.ch <= '9') {
    // Digits append as typed; a number past the largest the field takes becomes that largest
    // (1, 5, 0 gives 99, never 15 and then 1).
    int digit = ev.ch - '0';
    int value = copies_typed_ ? copies_ * 10 + digit : digit;
    copies_ = std::clamp(value, 1, kMaxCopies);
    copies_typed_ = value > 0;
  }
}

Overlay render_print_dialog(const PrintDialogModel& model, int columns, int rows, bool utf8) {
  const auto& entries = model.entries();
  const int list_rows = std::min<int>(kListRows, static_cast<int>(entries.size()));
  std::vector<DialogLine> lines = {{" Printer:"}};
  size_t first = 0;
  if (model.selected() >= static_cast<size_t>(list_rows)) first = model.selected() + 1 - list_rows;
  for (int i = 0; i < list_rows; ++i) {
    size_t index = first + static_cast<size_t>(i);
    const Destination& d = entries[index];
    // Names and descriptions come from the print server: shown without control characters.
    std::string text = (index == model.selected() ? " > " : "   ") + shown_text(d.name);
    if (!d.description.empty()) text += " - " + shown_text(d.description);
    if (d.is_default) text += "  (default)";
    lines.push_back({text, index == model.selected() ? kChosenAttr : kDialogFrameAttr});
  }
  lines.push_back({""});
  if (model.copies_offered()) {
    std::string copies = std::to_string(model.copies());
    lines.push_back({" Copies: [" + std::string(copies.size() < 2 ? " " : "") + copies +
                     "]   (digits, + and - change)"});
  } else {
    lines.push_back({" Copies:  -    (one file per print)"});
  }
  const char* status = "";
  if (model.search() == Search::kLooking) status = " Looking for printers...";
  if (model.search() == Search::kNoAnswer) status = " No answer from the print server";
  if (model.search() == Search::kNoServer) status = " No print server found";
  lines.push_back({status});
  lines.push_back({" Up/Down choose    Enter OK    Esc Cancel"});
  lines.push_back({""});
  return render_dialog_box(" Print ", lines, kBoxWidth, columns, rows, utf8);
}

PrintDialogModel::State run_print_dialog(PrintDialogModel& model, DialogScreen& screen,
                                         const std::function<void(uint32_t, uintptr_t)>& hook,
                                         const DestinationSource& more) {
  if (hook) hook(kWmInitDialog, 0);
  model.set_search(more ? Search::kLooking : Search::kDone);
  // A server that answers at once (the usual local one) fills the list before the box is
  // first drawn, so that a quick Enter takes the default printer; a slow one costs this
  // moment only.
  const auto grace_end = std::chrono::steady_clock::now() + kFirstAnswerGrace;
  while (model.searching() && std::chrono::steady_clock::now() < grace_end) {
    std::vector<Destination> found;
    model.set_search(more(found));
    model.add(std::move(found));
    if (model.searching()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  auto draw = [&] {
    int columns = 80, rows = 50;
    screen.size(columns, rows);
    screen.show(render_print_dialog(model, columns, rows, screen.utf8()));
  };
  draw();
  auto hang_up = [&] {
    InputEvent esc;
    esc.virtual_key = kVkEscape;
    esc.ch = 27;
    model.key(esc);
  };
  while (model.state() == PrintDialogModel::State::kOpen) {
    // While destinations may still come, look for them often; otherwise only keys matter.
    // One key at a time: the key that closes the box ends the loop, and the keys typed after
    // it are left for the screen that follows.
    std::optional<InputEvent> ev;
    if (!screen.key(ev, model.searching() ? 50 : 500)) {
      hang_up();
      break;
    }
    if (ev) model.key(*ev);
    bool changed = ev.has_value();
    if (model.searching()) {
      std::vector<Destination> found;
      const Search now = more(found);
      changed = changed || !found.empty() || now != Search::kLooking;
      model.add(std::move(found));
      model.set_search(now);
    }
    if (changed && model.state() == PrintDialogModel::State::kOpen) draw();
  }
  if (model.state() == PrintDialogModel::State::kOk && hook) hook(kWmCommand, kIdOk);
  screen.close();
  return model.state();
}

}  // namespace platform::posix
