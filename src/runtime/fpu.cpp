#include "runtime/fpu.h"

namespace runtime {
namespace {

#if (defined(__i386__) || defined(__x86_64__)) && defined(__GNUC__)
#define OT_HAVE_X87 1
uint16_t x87_get() noexcept {
  uint16_t word = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
}
void x87_set(uint16_t word) noexcept {
  __asm__ __volatile__("fldcw %0" : : "m"(word));
}
#else
#define OT_HAVE_X87 0
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// SSE arithmetic (doubles and floats on x86_64): mask every exception, round to nearest.
void sse_mode_set() noexcept {
  uint32_t csr = 0;
  __asm__ __volatile__("stmxcsr %0" : "=m"(csr));
  csr = (csr | 0x1F80u) & ~0x6000u;
  __asm__ __volatile__("ldmxcsr %0" : : "m"(csr));
}
#else
void sse_mode_set() noexcept {}
#endif

}  // namespace

void fp_mode_set() noexcept {
  std::feclearexcept(FE_ALL_EXCEPT);
  std::fesetround(FE_TONEAREST);
  sse_mode_set();
#if OT_HAVE_X87
  x87_set(kFpControlWord);
#endif
}

FpState fp_save() noexcept {
  FpState state{};
  std::fegetenv(&state.environment);
#if OT_HAVE_X87
  state.x87_control = x87_get();
#endif
  return state;
}

void fp_restore(const FpState& state) noexcept {
  std::fesetenv(&state.environment);
#if OT_HAVE_X87
  x87_set(state.x87_control);
#endif
}

}  // namespace runtime
