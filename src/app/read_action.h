// Turns keys into action codes according to the current screen name.
#pragma once

#include <cstdint>

namespace app {

// Action codes.
inline constexpr int32_t kActionNone = 11;  // only while waiting; never stored
inline constexpr int32_t kActionSave = 20;
inline constexpr int32_t kActionPrint = 21;
inline constexpr int32_t kActionRefusal = 22;
inline constexpr int32_t kActionPrintNow = 30;
inline constexpr int32_t kActionMain = 88;
inline constexpr int32_t kActionEnd = 99;

// ReadAction's modes.
inline constexpr int32_t kWaitForAction = 1;  // wait for a key that means an action; gives 0
inline constexpr int32_t kLastAction = 2;     // give the last stored action code

// kWaitForAction waits until a key means an action on the current screen and stores its code
// (the result is 0); kLastAction gives the last stored code (0 before any); any other mode
// gives 0.
int32_t ReadAction(int32_t mode);

}  // namespace app
