#include "runtime/fpu.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>

namespace {

TEST(FloatingPointMode, SaveAndRestoreUndoAPlatformCallsChanges) {
  runtime::fp_mode_set();
  const runtime::FpState saved = runtime::fp_save();
  std::fesetround(FE_UPWARD);
  runtime::fp_restore(saved);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
#if (defined(__i386__) || defined(__x86_64__)) && defined(__GNUC__)
  // Bit 6 of the control word is reserved and always reads as set.
  EXPECT_EQ(runtime::fp_save().x87_control & ~0x40, runtime::kFpControlWord);
  // Extended precision: one unit in the 64th bit survives an addition.
  volatile long double one = 1.0L;
  volatile long double tiny = LDBL_EPSILON;
  EXPECT_NE(one + tiny, one);
#endif
}

}  // namespace
