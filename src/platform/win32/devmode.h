// The run-time's device-mode fields and a driver's DEVMODEA record. A record whose dmSize is
// shorter than today's DEVMODEA has only the fields that lie inside it: those are read and
// written back, the rest are marked missing (DevMode::covered) and the record is never resized,
// so the driver's private part after it stays where the driver put it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/printing.h"

namespace platform::win32 {

// The named fields of the `size` bytes of a DEVMODEA record (public part and driver part).
DevMode devmode_from_native(const void* bytes, size_t size);
// The record of `mode` with its named fields written back; empty when it carries no record.
std::vector<uint8_t> devmode_to_native(const DevMode& mode);

}  // namespace platform::win32
