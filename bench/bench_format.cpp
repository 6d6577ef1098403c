// Digit grouping of whole numbers: the cube table's masks through mask_format against {fmt}'s
// locale-aware "{:L}" with a numpunct that groups by three, over the same values; and
// fractions through masks and the field formatter, where the rounding step runs. Heap
// allocations per call are counted by replacing the global allocation functions.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <locale>
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

}  // namespace

BENCHMARK_MAIN();
