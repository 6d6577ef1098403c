// Code page 437 and its Unicode glyphs, from the table every backend shares.
#pragma once

#include "platform/cp437.h"

namespace platform::posix {

using platform::cp437_from_unicode;
using platform::cp437_to_unicode;
using platform::cp437_to_utf8;

}  // namespace platform::posix
