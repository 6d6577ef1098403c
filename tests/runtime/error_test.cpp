#include "runtime/error.h"

#include <gtest/gtest.h>

namespace {

using runtime::ErrorScope;

void failing_operation(int code) {
  runtime::error_raise(code);
}

int callee_raises_and_reports() {
  ErrorScope scope;
  failing_operation(76);
  return runtime::error_number();
}

TEST(ErrorWords, TakeReturnsCodeOnceAndClears) {
  ErrorScope scope;
  EXPECT_EQ(runtime::error_take(), 0);
  EXPECT_EQ(runtime::error_number(), 0);
  failing_operation(76);
  EXPECT_EQ(runtime::error_take(), 76);
  EXPECT_EQ(runtime::error_take(), 0);
}

TEST(ErrorWords, LaterRaiseOverwritesAndZeroRecords51) {
  ErrorScope scope;
  failing_operation(5);
  failing_operation(52);
  EXPECT_EQ(runtime::error_number(), 52);
  failing_operation(0);
  EXPECT_EQ(runtime::error_number(), 51);
  runtime::error_clear();
  EXPECT_EQ(runtime::error_number(), 0);
}

TEST(ErrorWords, CalledProcedureErrorsStayInItsActivation) {
  ErrorScope caller;
  EXPECT_EQ(callee_raises_and_reports(), 76);
  EXPECT_EQ(runtime::error_number(), 0);
}

TEST(ErrorWordsDeathTest, FatalCodesEndTheProcessWith255) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ErrorScope scope;
        failing_operation(241);
      },
      ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(failing_operation(242), ::testing::ExitedWithCode(255), "");
}

}  // namespace
