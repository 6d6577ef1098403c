// The floating-point mode of the program: 64-bit mantissa precision, rounding to nearest,
// every exception masked (x87 control word 0x133F). Layers that call the platform save the
// state first and restore it afterwards, so that a platform call cannot change the mode.
#pragma once

#include <cfenv>
#include <cstdint>

namespace runtime {

inline constexpr uint16_t kFpControlWord = 0x133F;

struct FpState {
  std::fenv_t environment;
  uint16_t x87_control = 0;  // only meaningful where an x87 unit exists
};

// Sets the program's floating-point mode (a no-op beyond masking where there is no x87).
void fp_mode_set() noexcept;
FpState fp_save() noexcept;
void fp_restore(const FpState& state) noexcept;

}  // namespace runtime
