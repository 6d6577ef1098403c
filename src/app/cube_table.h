// The program's results: the title banner, the table of 1 to 99 and their cubes and the
// EXAMPLES panel, built once and rendered to the screen, the results file or the printer.
#pragma once

#include <cstdint>

namespace app {

inline constexpr int32_t kCubeBuild = 1;    // build every text; draws nothing
inline constexpr int32_t kCubeScreen = 2;   // draw on the screen
inline constexpr int32_t kCubeFile = 3;     // write the 39 lines to kResultsFileNumber
inline constexpr int32_t kCubePrinter = 4;  // send the 39 lines to the attached printer

// The file number that CubeTable(kCubeFile) writes to; the caller opens and closes it.
inline constexpr int16_t kResultsFileNumber = 1;

void CubeTable(int32_t mode);

// The first error code met by the writes of the last CubeTable(kCubeFile) call, 0 when every
// write went through. This is how a failed write reaches the save flow: error words stay with
// the procedure that called the failing operation.
int32_t CubeTableFileError();
// The same for the printer: the first error code met by the texts and line ends of the last
// CubeTable(kCubePrinter) call, 0 when the printer took every one.
int32_t CubeTablePrinterError();

}  // namespace app
