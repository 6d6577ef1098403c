// Format masks: a value laid out over "#,##0.00;(#);zero" and the like.
#pragma once

#include <string>
#include <string_view>

namespace text {

// value formatted with a format mask ("#,##0.00;(#);zero" ...). Working buffers belong to
// the call; the only allocation is the result string.
std::string mask_format(long double value, std::string_view mask);

}  // namespace text
