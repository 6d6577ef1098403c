// Digit grouping of whole numbers: the cube table's masks through mask_format against {fmt}'s
// locale-aware "{:L}" with a numpunct that groups by three, over the same values; and
// fractions through masks and the field formatter, where the rounding step runs, against the
// C library's exact snprintf("%.2Lf") and {fmt}'s "{:.2f}" of long double and of double over
// the same fractions. Heap allocations per call are counted by replacing the global allocation
// functions. At the end a table gives every figure as a ratio to snprintf in the same run
// (medians over the repetitions); for steadier figures on a busy machine run
//   bench_format --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "text/format.h"

namespace {
std::atomic<uint64_t> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

// A spread of whole numbers from 1 to 999,999 over every magnitude: the cubes of 1 to 99 and
// pseudo-random values of one to six digits.
const std::vector<int32_t>& values() {
  static const std::vector<int32_t> v = [] {
    std::vector<int32_t> out;
    for (int32_t i = 1; i <= 99; ++i) out.push_back(i * i * i);
    uint32_t x = 12345;
    const int32_t limits[] = {9, 99, 999, 9999, 99999, 999999};
    for (int k = 0; out.size() < 1024; ++k) {
      x = x * 1664525u + 1013904223u;
      out.push_back(static_cast<int32_t>(x % static_cast<uint32_t>(limits[k % 6])) + 1);
    }
    return out;
  }();
  return v;
}

struct GroupByThree : std::numpunct<char> {
  char do_thousands_sep() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};

void report_allocations(benchmark::State& state, uint64_t before) {
  const double calls = static_cast<double>(state.iterations());
  state.counters["allocs_per_call"] =
      calls ? static_cast<double>(g_allocations.load() - before) / calls : 0.0;
}

void BM_MaskFormat(benchmark::State& state) {
  const char* const masks[] = {"###,###", " #,###"};
  const std::string mask = masks[state.range(0)];
  const auto& v = values();
  size_t i = 0;
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string s = text::mask_format(v[i], mask);
    benchmark::DoNotOptimize(s);
    if (++i == v.size()) i = 0;
  }
  report_allocations(state, before);
  state.SetLabel(mask);
}
BENCHMARK(BM_MaskFormat)->Arg(0)->Arg(1);

// Values with fractions: the rounding step decides on the dropped digits. Arg 0: thousandths
// through a two-decimal mask (rounding never meets a half); arg 1: whole numbers plus one
// half through "0" (every call is an exact tie).
void BM_MaskFormatFraction(benchmark::State& state) {
  const bool ties = state.range(0) == 1;
  const std::string mask = ties ? "0" : "#,##0.00";
  const auto& v = values();
  size_t i = 0;
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    const long double x = ties ? v[i] + 0.5L : v[i] / 1000.0L;
    std::string s = text::mask_format(x, mask);
    benchmark::DoNotOptimize(s);
    if (++i == v.size()) i = 0;
  }
  report_allocations(state, before);
  state.SetLabel(ties ? "0, ties" : mask);
}
BENCHMARK(BM_MaskFormatFraction)->Arg(0)->Arg(1);

// The field formatter with one decimal over hundredths.
void BM_FieldNumber(benchmark::State& state) {
  const auto& v = values();
  size_t i = 0;
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    text::FieldFormat f = text::field_begin("####.#");
    text::field_number(f, v[i] / 100.0L);
    std::string s = text::field_end(f);
    benchmark::DoNotOptimize(s);
    if (++i == v.size()) i = 0;
  }
  report_allocations(state, before);
  state.SetLabel("####.#");
}
BENCHMARK(BM_FieldNumber);

void BM_FmtGrouping(benchmark::State& state) {
  const std::locale loc(std::locale::classic(), new GroupByThree);
  const auto& v = values();
  size_t i = 0;
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string s = fmt::format(loc, "{:L}", v[i]);
    benchmark::DoNotOptimize(s);
    if (++i == v.size()) i = 0;
  }
  report_allocations(state, before);
}
BENCHMARK(BM_FmtGrouping);

// References for the fractions: the same thousandths as the "#,##0.00" mask, with two decimals.
void BM_SnprintfLongDouble(benchmark::State& state) {
  const auto& v = values();
  size_t i = 0;
  char buf[64];
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    int n = std::snprintf(buf, sizeof buf, "%.2Lf", v[i] / 1000.0L);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buf);
    if (++i == v.size()) i = 0;
  }
  report_allocations(state, before);
}
BENCHMARK(BM_SnprintfLongDouble);

void BM_FmtLongDouble(benchmark::State& state) {
  const auto& v = values();
  size_t i = 0;
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string s = fmt::format("{:.2f}", v[i] / 1000.0L);
    benchmark::DoNotOptimize(s);
    if (++i == v.size()) i = 0;
  }
  report_allocations(state, before);
}
BENCHMARK(BM_FmtLongDouble);

void BM_FmtDouble(benchmark::State& state) {
  const auto& v = values();
  size_t i = 0;
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    std::string s = fmt::format("{:.2f}", v[i] / 1000.0);
    benchmark::DoNotOptimize(s);
    if (++i == v.size()) i = 0;
  }
  report_allocations(state, before);
}
BENCHMARK(BM_FmtDouble);

// Whether a run ended in an error or was skipped: Google Benchmark 1.8 replaced the run's
// error flag with a skip state.
template <typename Run>
bool run_skipped(const Run& r) {
  if constexpr (requires { r.skipped; }) {
    return r.skipped != decltype(r.skipped){};
  } else {
    return r.error_occurred;
  }
}

// The console output, then a table of every benchmark's median CPU time per call over the
// repetitions and its ratio to snprintf("%.2Lf") of the same run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || run_skipped(r) || r.iterations == 0) continue;
      Figures& f = figures_[r.benchmark_name()];
      f.label = r.report_label;
      f.ns.push_back(r.cpu_accumulated_time * 1e9 / static_cast<double>(r.iterations));
      const auto it = r.counters.find("allocs_per_call");
      if (it != r.counters.end()) f.allocs = it->second.value;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto ref = figures_.find(kReference);
    if (ref == figures_.end()) return;
    const double ref_ns = median(ref->second.ns);
    std::printf("\nCPU time per call against snprintf(\"%%.2Lf\") = %.1f ns (median of %zu)\n",
                ref_ns, ref->second.ns.size());
    std::printf("%-28s %-10s %10s %8s %18s\n", "benchmark", "label", "ns", "allocs",
                "snprintf / this");
    for (auto& [name, f] : figures_) {
      const double ns = median(f.ns);
      std::printf("%-28s %-10s %10.1f %8.2f %17.2fx\n", name.c_str(), f.label.c_str(), ns, f.allocs,
                  ns > 0 ? ref_ns / ns : 0.0);
    }
  }

 private:
  static constexpr const char* kReference = "BM_SnprintfLongDouble";
  struct Figures {
    std::string label;
    std::vector<double> ns;
    double allocs = 0;
  };
  static double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
  std::map<std::string, Figures> figures_;
};

}  // namespace

int main(int argc, char** argv) {
  // The ratio table is for a person reading the console; --benchmark_format=json or csv asks
  // for Google Benchmark's own reporter, whose output a program reads (it holds every time
  // the table is made from). --benchmark_out is honoured either way.
  bool console_format = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--benchmark_format=", 0) == 0)
      console_format = arg == "--benchmark_format=console";
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(console_format ? &reporter : nullptr);
  benchmark::Shutdown();
  return 0;
}
