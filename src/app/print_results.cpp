#include "app/print_results.h"

namespace app {

void PrintResults() {}

}  // namespace app
