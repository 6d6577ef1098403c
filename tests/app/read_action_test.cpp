// Which key means which action on which screen: every key the program knows, on every
// screen name, and keys that must be ignored there.
#include <string>
#include <vector>

#include "app/read_action.h"
#include "app/screen_name.h"
#include "app_fixture.h"
#include "runtime/error.h"

namespace app_test {
namespace {

struct Key {
  const char* label;
  std::string text;  // typed as text, or empty for an extended key
  uint16_t scan = 0;
};

const Key kF = {"f", "f"}, kCapitalF = {"F", "F"}, kP = {"p", "p"}, kTab = {"TAB", "\t"},
          kY = {"y", "y"}, kS = {"s", "s"}, kCapitalS = {"S", "S"}, kG = {"g", "g"},
          kCapitalG = {"G", "G"}, kX = {"x", "x"}, kCapitalX = {"X", "X"}, kSpace = {"SPACE", " "},
          kBackspace = {"BACKSPACE", "\b"}, kEnter = {"ENTER", "\r"}, kDigit = {"1", "1"},
          kEscape = {"ESC", "\x1b"}, kF10Key = {"F10", "", kF10}, kF12Key = {"F12", "", kF12},
          kRight = {"RIGHT", "", kRightArrow}, kF1 = {"F1", "", 0x3B};

struct Case {
  const char* screen;
  std::vector<std::pair<Key, int32_t>> keys;  // action 0: ignored
};

class ReadActionTest : public AppTest {
 protected:
  void Push(const Key& key) {
    if (key.text.empty()) {
      Press(key.scan);
    } else {
      Type(key.text);
    }
  }
};

TEST_F(ReadActionTest, EveryKeyOnEveryScreen) {
  console::screen_init();
  const std::vector<Case> cases = {
      {"Begin",
       {{kF, 20},
        {kCapitalF, 20},
        {kP, 21},
        {kTab, 22},
        {kG, 88},
        {kF10Key, 88},
        {kX, 99},
        {kF12Key, 99},
        {kY, 0},
        {kS, 0},
        {kSpace, 0},
        {kRight, 0},
        {kBackspace, 0}}},
      {"Main Refresh",
       {{kF, 20},
        {kP, 21},
        {kTab, 22},
        {kCapitalG, 88},
        {kF10Key, 88},
        {kCapitalX, 99},
        {kF12Key, 99},
        {kY, 0},
        {kS, 0},
        {kSpace, 0},
        {kRight, 0},
        {kEnter, 0},
        {kDigit, 0},
        {kEscape, 0},
        {kF1, 0}}},
      {"File-2",
       {{kS, 20},
        {kCapitalS, 20},
        {kG, 88},
        {kF10Key, 88},
        {kX, 99},
        {kF12Key, 99},
        {kF, 0},
        {kP, 0},
        {kTab, 0},
        {kY, 0},
        {kSpace, 0}}},
      {"File-3", {{kS, 20}, {kG, 88}, {kF10Key, 88}, {kX, 99}, {kF12Key, 99}, {kF, 0}, {kTab, 0}}},
      {"Print-1",
       {{kY, 30},
        {kG, 88},
        {kF10Key, 88},
        {kX, 99},
        {kF12Key, 99},
        {kF, 0},
        {kP, 0},
        {kS, 0},
        {kTab, 0},
        {kSpace, 0}}},
      {"Gag",
       {{kSpace, 88},
        {kBackspace, 88},
        {kRight, 99},
        {kG, 0},
        {kX, 0},
        {kF10Key, 0},
        {kF12Key, 0},
        {kTab, 0},
        {kF, 0},
        {kS, 0}}},
      {"File-1", {{kG, 88}, {kX, 99}, {kF, 0}, {kS, 0}, {kTab, 0}}},
  };
  for (const Case& c : cases) {
    app::ScreenName(1, c.screen);
    // A key that ends the wait on this screen, after an ignored key.
    const Key& closing = std::string(c.screen) == "Gag" ? kRight : kX;
    for (const auto& [key, action] : c.keys) {
      SCOPED_TRACE(std::string(c.screen) + " key " + key.label);
      console.flush_input();
      Push(key);
      Push(closing);
      app::ReadAction(1);
      if (action == 0) {
        EXPECT_EQ(app::ReadAction(2), 99) << "the key was not ignored";
      } else {
        EXPECT_EQ(app::ReadAction(2), action);
        EXPECT_GT(console.pending_input(), 0u) << "the key did not end the wait";
      }
    }
  }
}

}  // namespace
}  // namespace app_test
