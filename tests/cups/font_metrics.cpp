// Prints the metrics the POSIX printer gives the results' font (Courier New, 14 points, bold,
// at 600 dots per inch): "height external_leading average_width family".
#include <cstdio>

#include "platform/posix/printing/fonts.h"

int main() {
  platform::LogFont lf;
  lf.height = -117;
  lf.weight = 700;
  std::snprintf(lf.face_name, sizeof lf.face_name, "Courier New");
  auto font = platform::posix::PrinterFont::make(lf, 600);
  if (!font) return 1;
  const platform::TextMetrics& m = font->metrics();
  std::printf("%d %d %d %s\n", m.height, m.external_leading, m.ave_char_width,
              font->family().c_str());
  return 0;
}
