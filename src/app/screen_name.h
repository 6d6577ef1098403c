// The current screen name: the text that says which screen is up and drives the dispatcher.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// ScreenName's modes.
inline constexpr int32_t kSetScreen = 1;  // store a copy of `name`; gives ""
inline constexpr int32_t kGetScreen = 2;  // give a copy of the current name; `name` is not read

// kSetScreen stores a copy of `name` and gives ""; kGetScreen gives a copy of the current
// name; any other mode changes nothing and gives "".
std::string ScreenName(int32_t mode, const std::string& name);

// Screen names, spelled exactly as the dispatcher compares them.
inline constexpr const char* kScreenBegin = "Begin";
inline constexpr const char* kScreenMainRefresh = "Main Refresh";
inline constexpr const char* kScreenFile1 = "File-1";
inline constexpr const char* kScreenFile2 = "File-2";
inline constexpr const char* kScreenFile3 = "File-3";
inline constexpr const char* kScreenPrint1 = "Print-1";
inline constexpr const char* kScreenGag = "Gag";
inline constexpr const char* kScreenEnd = "END";
inline constexpr const char* kScreenExitNow = "EXIT NOW";

// True when the current screen name is exactly `name` (fetched afresh on every call).
bool ScreenIs(const char* name);

}  // namespace app
