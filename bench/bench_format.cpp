// Digit grouping of whole numbers: the cube table's masks through mask_format against {fmt}'s
// locale-aware "{:L}" with a numpunct that groups by three, over the same values. Heap
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
