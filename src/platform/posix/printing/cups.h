// The CUPS side of POSIX printing: the destinations the print dialog lists, their default
// paper, and handing a finished PDF to a destination as one job.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/printing/paper.h"

namespace platform::posix {

struct Destination {
  std::string name;
  std::string description;  // printer-info, or the make and model
  bool is_default = false;
};

// Every exchange with the print server runs on a connection of its own with a time budget:
// a server that stops answering (stopped, or a network queue gone silent) costs at most the
// budget, never minutes. `cancelled`, when given, is asked while waiting; true ends the wait.
struct CupsLimit {
  int budget_ms = 5000;
  std::function<bool()> cancelled;
};

// How long each kind of exchange may take.
inline constexpr int kDestinationsBudgetMs = 4000;     // the destination list
inline constexpr int kDestinationInfoBudgetMs = 4000;  // one destination's paper and abilities
inline constexpr int kJobBudgetMs = 12000;             // handing one job over

// Where a search for destinations stands.
enum class Search {
  kDone,      // the server answered: every destination it has is handed out
  kLooking,   // still asking
  kNoAnswer,  // the server did not answer (silent past the budget, or in trouble of its own)
  kNoServer,  // there is no server: nothing listens at its address
};

// The CUPS destinations, the default first; empty when there is no server, no printer or no
// answer within the budget. `outcome`, when given, tells whether and how the server answered
// (kDone, kNoAnswer or kNoServer).
std::vector<Destination> cups_destinations(const CupsLimit& limit, Search* outcome = nullptr);

// The destination list asked for on a thread of its own, so that the print dialog can be up
// and answer keys while the server is asked (or, when no thread can be started, at once).
class DestinationSearch {
 public:
  explicit DestinationSearch(int budget_ms = kDestinationsBudgetMs);
  // Ends the search. A server that has not answered is not waited for.
  ~DestinationSearch();
  DestinationSearch(const DestinationSearch&) = delete;
  DestinationSearch& operator=(const DestinationSearch&) = delete;

  // Moves the destinations found since the last call to `found`; kLooking until the search
  // is over and everything found has been handed out.
  Search poll(std::vector<Destination>& found);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

// What a destination is and can do, as far as the run-time uses it.
struct DestinationInfo {
  bool found = false;    // the server answered in time and knows the destination
  Media media;           // its default paper with its margins, as the server states it
                         // (the system's paper when the server says nothing)
  bool duplex = false;   // it prints on both sides ("sides")
  bool collate = false;  // it collates copies ("multiple-document-handling")
};
DestinationInfo cups_destination_info(const std::string& destination, int32_t dpi,
                                      const CupsLimit& limit);

// The job settings CUPS is told.
struct JobOptions {
  int32_t copies = 1;
  std::string media;     // PWG media name; empty: the destination's default
  int16_t duplex = 0;    // 0 unset (the destination's default), 1 one side, 2 long edge, 3 short
  int16_t collate = -1;  // -1 unset, 0 uncollated, 1 collated copies
};

// Sends `pdf` to `destination` as one job named `title`. False (with a reason) on failure,
// when the server does not take the job within the limit, or when it is cancelled; a job
// created on the server is then cancelled there.
bool cups_submit_pdf(const std::string& destination, const std::string& title,
                     const std::string& pdf, const JobOptions& options, const CupsLimit& limit,
                     std::string& reason);

}  // namespace platform::posix
