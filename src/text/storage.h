// How text/ meets a storage failure (internal to text/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "runtime/error.h"
#include "text/strings.h"

namespace text {

// The one way strings, arrays and the formatters meet a storage failure: `make` obtains storage for
// about `length` bytes and gives the result. A length beyond the text length limit, or a
// std::bad_alloc from `make`, raises kErrNoMemory and gives the empty (value-initialised)
// result instead. Without a length, only the allocation itself is guarded.
template <class Make>
auto with_storage(uint64_t length, Make&& make) -> decltype(make()) {
  using Result = decltype(make());
  if (length > text_length_limit()) {
    runtime::error_raise(runtime::kErrNoMemory);
    return Result();
  }
  try {
    return make();
  } catch (const std::bad_alloc&) {
    runtime::error_raise(runtime::kErrNoMemory);
    return Result();
  }
}

template <class Make>
auto with_storage(Make&& make) -> decltype(make()) {
  return with_storage(0, make);
}

}  // namespace text
