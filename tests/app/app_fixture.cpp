#include "app_fixture.h"

#include <sstream>

namespace app_test {

::testing::AssertionResult ScreenMatches(const platform::memory::MemoryConsole& console,
                                         const Picture& expected) {
  if (console.width() != Picture::kColumns || console.height() != Picture::kRows) {
    return ::testing::AssertionFailure()
           << "console is " << console.width() << " x " << console.height();
  }
  std::ostringstream out;
  int mismatches = 0;
  for (int row = 1; row <= Picture::kRows; ++row) {
    for (int column = 1; column <= Picture::kColumns; ++column) {
      const auto got = console.cell(row, column);
      const auto& want = expected.cell(row, column);
      const bool same =
          got.ch == want.ch && got.bg == want.bg && (want.ch == ' ' || got.fg == want.fg);
      if (!same && ++mismatches <= 12) {
        out << "row " << row << " column " << column << ": got '" << got.chr() << "' " << got.fg
            << "/" << got.bg << ", want '" << static_cast<char>(want.ch) << "' " << want.fg << "/"
            << want.bg << "\n";
      }
    }
  }
  if (mismatches == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << mismatches << " cells differ:\n"
                                       << out.str() << "screen:\n"
                                       << console.dump();
}

}  // namespace app_test
