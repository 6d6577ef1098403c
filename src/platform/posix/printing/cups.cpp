#include "platform/posix/printing/cups.h"

#include <cups/cups.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::posix {
namespace {

using Clock = std::chrono::steady_clock;

// A connection of our own to the print server on which every wait is bounded: the library
// calls the timeout hook whenever nothing has moved for a tenth of a second, and the hook
// ends the wait once the budget is spent or the caller cancels.
class CupsSession {
 public:
  explicit CupsSession(const CupsLimit& limit)
      : limit_(limit), deadline_(Clock::now() + std::chrono::milliseconds(limit.budget_ms)) {
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                         limit.budget_ms, nullptr);
    if (http_) {
      httpSetTimeout(http_, 0.1, &CupsSession::on_wait, this);
    } else {
      // A connection that failed before its time was up was refused: nothing listens at the
      // server's address (no socket, connection refused, unknown host). One that is silent
      // fails only when the budget is spent. The library's error text cannot tell them apart:
      // it reports every failed connection alike.
      nobody_there_ = Clock::now() < deadline_;
    }
  }
  ~CupsSession() {
    if (http_) httpClose(http_);
  }
  CupsSession(const CupsSession&) = delete;
  CupsSession& operator=(const CupsSession&) = delete;

  http_t* http() const { return http_; }
  bool gave_up() const { return gave_up_; }
  // No server at the address: the connection was refused at once.
  bool nobody_there() const { return nobody_there_; }

 private:
  static int on_wait(http_t*, void* self) {
    auto* s = static_cast<CupsSession*>(self);
    // Once given up, every later wait of the same exchange ends at once too.
    if (s->gave_up_ || Clock::now() >= s->deadline_ ||
        (s->limit_.cancelled && s->limit_.cancelled())) {
      s->gave_up_ = true;
      return 0;
    }
    return 1;
  }

  CupsLimit limit_;
  Clock::time_point deadline_;
  http_t* http_ = nullptr;
  bool gave_up_ = false;
  bool nobody_there_ = false;
};

// Owners of what the library hands out and the caller must free.
struct DestsFree {
  int count = 0;
  void operator()(cups_dest_t* dests) const { cupsFreeDests(count, dests); }
};
using OwnedDests = std::unique_ptr<cups_dest_t, DestsFree>;

struct DestInfoFree {
  void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
using OwnedDestInfo = std::unique_ptr<cups_dinfo_t, DestInfoFree>;

// A job's options, built up with cupsAddOption.
class OptionList {
 public:
  OptionList() = default;
  ~OptionList() { cupsFreeOptions(count_, options_); }
  OptionList(const OptionList&) = delete;
  OptionList& operator=(const OptionList&) = delete;

  void add(const char* name, const char* value) {
    count_ = cupsAddOption(name, value, count_, &options_);
  }
  int count() const { return count_; }
  cups_option_t* options() const { return options_; }

 private:
  int count_ = 0;
  cups_option_t* options_ = nullptr;
};

// The destination list of cupsGetDests2 asked on `session`; empty when the server did not
// answer in time.
class DestList {
 public:
  explicit DestList(const CupsSession& session) {
    if (!session.http()) return;
    cups_dest_t* found = nullptr;
    const int count = cupsGetDests2(session.http(), &found);
    OwnedDests owned(found, DestsFree{count > 0 ? count : 0});
    if (session.gave_up() || count <= 0) return;
    dests_ = std::move(owned);
  }

  int count() const { return dests_ ? dests_.get_deleter().count : 0; }
  const cups_dest_t& operator[](int i) const { return dests_.get()[i]; }
  cups_dest_t* find(const std::string& name) const {
    return count() > 0 ? cupsGetDest(name.c_str(), nullptr, count(), dests_.get()) : nullptr;
  }

 private:
  OwnedDests dests_;
};

std::vector<Destination> to_destinations(const DestList& list) {
  std::vector<Destination> out;
  for (int i = 0; i < list.count(); ++i) {
    const cups_dest_t& d = list[i];
    if (d.instance) continue;
    Destination dest;
    dest.name = d.name;
    const char* info = cupsGetOption("printer-info", d.num_options, d.options);
    if (!info || !*info) info = cupsGetOption("printer-make-and-model", d.num_options, d.options);
    dest.description = info ? info : "";
    dest.is_default = d.is_default != 0;
    if (dest.is_default) {
      out.insert(out.begin(), dest);
    } else {
      out.push_back(dest);
    }
  }
  return out;
}

}  // namespace

std::vector<Destination> cups_destinations(const CupsLimit& limit, Search* outcome) {
  CupsSession session(limit);
  DestList list(session);
  if (outcome) {
    // A server that ran into trouble of its own (5xx) has not told what it has either.
    if (session.nobody_there()) {
      *outcome = Search::kNoServer;
    } else if (!session.http() || session.gave_up() ||
               cupsLastError() >= IPP_STATUS_ERROR_INTERNAL) {
      *outcome = Search::kNoAnswer;
    } else {
      *outcome = Search::kDone;
    }
  }
  return to_destinations(list);
}

struct DestinationSearch::Shared {
  std::mutex mutex;
  std::vector<Destination> found;
  bool done = false;
  Search outcome = Search::kNoAnswer;
  std::atomic<bool> cancel{false};
};

DestinationSearch::DestinationSearch(int budget_ms) : shared_(std::make_shared<Shared>()) {
  std::shared_ptr<Shared> shared = shared_;
  auto search = [shared, budget_ms] {
    CupsLimit limit;
    limit.budget_ms = budget_ms;
    limit.cancelled = [shared] { return shared->cancel.load(); };
    Search outcome = Search::kNoAnswer;
    std::vector<Destination> found;
    try {
      found = cups_destinations(limit, &outcome);
    } catch (...) {
      // Out of memory while reading the list: as good as no answer. Nothing may leave the
      // thread, which would end the process.
      found.clear();
      outcome = Search::kNoAnswer;
    }
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->found = std::move(found);
    shared->outcome = outcome;
    shared->done = true;
  };
  try {
    std::thread(search).detach();
  } catch (const std::system_error&) {
    // No thread to be had (the process is at its limit): ask here and now instead, within the
    // same budget, so that the dialog still lists the destinations.
    search();
  }
}

DestinationSearch::~DestinationSearch() {
  shared_->cancel = true;
}

Search DestinationSearch::poll(std::vector<Destination>& found) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  for (Destination& d : shared_->found) found.push_back(std::move(d));
  shared_->found.clear();
  if (!shared_->done) return Search::kLooking;
  return shared_->outcome;
}

namespace {

// The destination's default paper as the server states it: the printer's media-default (a
// PPD queue reports its default PageSize there), else a "media" or "PageSize" among the
// queue's own options. Empty when the server says nothing. (cupsGetDestMediaDefault is not
// asked: it answers Letter for a queue whose default is A4.)
std::string server_media(http_t* http, cups_dest_t* d, cups_dinfo_t* info) {
  if (ipp_attribute_t* a = cupsFindDestDefault(http, d, info, CUPS_MEDIA)) {
    const char* name = ippGetString(a, 0, nullptr);
    if (name && *name) return name;
  }
  for (const char* option : {CUPS_MEDIA, "PageSize"}) {
    const char* name = cupsGetOption(option, d->num_options, d->options);
    if (name && *name) return name;
  }
  return {};
}

// The size of a paper named in PWG, PPD or legacy terms; null when the name is none of them.
const pwg_media_t* pwg_size(const std::string& name) {
  if (name.empty()) return nullptr;
  if (const pwg_media_t* m = pwgMediaForPWG(name.c_str())) return m;
  if (const pwg_media_t* m = pwgMediaForPPD(name.c_str())) return m;
  return pwgMediaForLegacy(name.c_str());
}

}  // namespace

DestinationInfo cups_destination_info(const std::string& destination, int32_t dpi,
                                      const CupsLimit& limit) {
  DestinationInfo out;
  out.media = system_paper(dpi);  // what the server does not say, the system's paper says
  const std::string system_paper_name = out.media.name;
  CupsSession session(limit);
  DestList list(session);
  cups_dest_t* d = list.find(destination);
  if (!d) return out;
  const OwnedDestInfo owned_info(cupsCopyDestInfo(session.http(), d));
  cups_dinfo_t* const info = owned_info.get();
  if (!info || session.gave_up()) return out;
  out.found = true;
  const std::string stated = server_media(session.http(), d, info);
  cups_size_t size;
  std::memset(&size, 0, sizeof size);
  const pwg_media_t* pwg = nullptr;
  if (!stated.empty() &&
      cupsGetDestMediaByName(session.http(), d, info, stated.c_str(), CUPS_MEDIA_FLAGS_DEFAULT,
                             &size) &&
      size.width > 0 && size.length > 0) {
    out.media.name = size.media;
    out.media.geometry =
        page_geometry(size.width, size.length, size.left, size.right, size.top, size.bottom, dpi);
  } else if ((pwg = pwg_size(stated)) != nullptr) {
    // A paper the destination's own list does not describe: its size, with quarter-inch
    // margins.
    out.media.name = pwg->pwg;
    out.media.geometry = page_geometry(pwg->width, pwg->length, kQuarterInch, kQuarterInch,
                                       kQuarterInch, kQuarterInch, dpi);
  }
  if (out.media.name != system_paper_name) {
    const Paper* p = paper_by_media(out.media.name);
    out.media.code = p ? p->code : 0;
  }
  out.duplex = cupsCheckDestSupported(session.http(), d, info, CUPS_SIDES,
                                      CUPS_SIDES_TWO_SIDED_PORTRAIT) != 0;
  out.collate = cupsCheckDestSupported(session.http(), d, info, "multiple-document-handling",
                                       "separate-documents-collated-copies") != 0;
  return out;
}

bool cups_submit_pdf(const std::string& destination, const std::string& title,
                     const std::string& pdf, const JobOptions& job, const CupsLimit& limit,
                     std::string& reason) {
  CupsSession session(limit);
  http_t* http = session.http();
  DestList list(session);
  cups_dest_t* d = list.find(destination);
  if (!d) {
    reason = session.gave_up() || !http ? "the print server did not answer in time"
                                        : "no such destination";
    return false;
  }
  const OwnedDestInfo owned_info(cupsCopyDestInfo(http, d));
  cups_dinfo_t* const info = owned_info.get();
  OptionList options;
  const std::string copies_text = std::to_string(job.copies < 1 ? 1 : job.copies);
  options.add(CUPS_COPIES, copies_text.c_str());
  if (!job.media.empty()) options.add(CUPS_MEDIA, job.media.c_str());
  // Device-mode duplex: 1 simplex, 2 flip on the long edge, 3 flip on the short edge.
  const char* sides = job.duplex == 1   ? CUPS_SIDES_ONE_SIDED
                      : job.duplex == 2 ? CUPS_SIDES_TWO_SIDED_PORTRAIT
                      : job.duplex == 3 ? CUPS_SIDES_TWO_SIDED_LANDSCAPE
                                        : nullptr;
  if (sides) options.add(CUPS_SIDES, sides);
  if (job.collate >= 0) {
    options.add("multiple-document-handling", job.collate ? "separate-documents-collated-copies"
                                                          : "separate-documents-uncollated-copies");
  }
  int id = 0;
  bool ok = false;
  if (info && !session.gave_up() &&
      cupsCreateDestJob(http, d, info, &id, title.c_str(), options.count(), options.options()) ==
          IPP_STATUS_OK &&
      id > 0) {
    if (cupsStartDestDocument(http, d, info, id, title.c_str(), CUPS_FORMAT_PDF, 0, nullptr, 1) ==
        HTTP_STATUS_CONTINUE) {
      bool written = cupsWriteRequestData(http, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
      ipp_status_t status = cupsFinishDestDocument(http, d, info);
      ok = written && status == IPP_STATUS_OK && !session.gave_up();
    }
    if (!ok) {
      // The server may still be there to forget the job; when it is not, a short wait only.
      CupsLimit brief;
      brief.budget_ms = 1000;
      CupsSession cleanup(brief);
      if (cleanup.http()) cupsCancelDestJob(cleanup.http(), d, id);
    }
  }
  if (!ok) {
    if (session.gave_up()) {
      reason = "the print server did not take the job in time";
    } else {
      reason = cupsLastErrorString() ? cupsLastErrorString() : "job refused";
    }
  }
  return ok;
}

}  // namespace platform::posix
