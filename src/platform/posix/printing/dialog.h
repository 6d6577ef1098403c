// The POSIX print dialog: a modal box over the terminal console. It comes up at once with "Save
// as PDF" and lists the CUPS destinations (the default marked and first) as the server names
// them, with a copies field of 1 to 99 for the printers ("Save as PDF" writes one file and
// takes no copies). Up and Down choose, digits, Backspace, + and - (or Left and Right) set
// the copies, Enter is OK and Esc is Cancel. It is drawn as the console's overlay and never
// changes the console's cells; when it closes, the console shows the screen beneath again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/posix/print_module.h"
#include "platform/posix/printing/cups.h"

namespace platform::posix {

inline constexpr const char* kSaveAsPdf = "Save as PDF";

class PrintDialogModel {
 public:
  enum class State { kOpen, kOk, kCancel };

  // `destinations` in display order; "Save as PDF" is added after them.
  explicit PrintDialogModel(std::vector<Destination> destinations);

  void key(const InputEvent& ev);
  // Destinations that answered later go in before "Save as PDF"; the choice stays where the
  // user put it, and a default destination is chosen while the user has not moved.
  void add(std::vector<Destination> destinations);
  // Where the search for destinations stands (shown in the box until it closes).
  void set_search(Search search) { search_ = search; }
  Search search() const { return search_; }
  // Whether the list may still grow.
  bool searching() const { return search_ == Search::kLooking; }
  // Whether the chosen entry takes a number of copies.
  bool copies_offered() const;

  State state() const { return state_; }
  const std::vector<Destination>& entries() const { return entries_; }
  size_t selected() const { return selected_; }
  const Destination& choice() const { return entries_[selected_]; }
  // The copies to print: 1 where copies are not offered.
  int32_t copies() const { return copies_offered() ? copies_ : 1; }

 private:
  std::vector<Destination> entries_;
  size_t selected_ = 0;
  int32_t copies_ = 1;
  bool copies_typed_ = false;  // the next digit appends instead of starting over
  bool moved_ = false;         // the user has chosen an entry
  Search search_ = Search::kDone;
  State state_ = State::kOpen;
};

// The dialog's box, centred on a terminal of `columns` x `rows`.
Overlay render_print_dialog(const PrintDialogModel& model, int columns, int rows, bool utf8);

// Where destinations that answer late come from: moves the new ones to its argument and
// returns kLooking while more may come, then how the search ended.
using DestinationSource = std::function<Search(std::vector<Destination>&)>;

// Runs the dialog until Enter or Esc. `hook` sees the dialog's opening (kWmInitDialog) and the
// OK button (kWmCommand, kIdOk). A terminal that hangs up cancels the dialog. While `more`
// may still bring destinations the box is redrawn with each that arrives; keys are answered
// meanwhile.
PrintDialogModel::State run_print_dialog(PrintDialogModel& model, DialogScreen& screen,
                                         const std::function<void(uint32_t, uintptr_t)>& hook,
                                         const DestinationSource& more = {});

}  // namespace platform::posix
