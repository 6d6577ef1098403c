// Numbered files: open a file under a small number, write text and line ends to it, close it.
// Every operation that fails raises its error code in the caller's ErrorScope and changes
// nothing else (a failed open leaves no record, a failed write leaves position and column).
#pragma once

#include <cstdint>
#include <string>

namespace files {

// File mode bits.
inline constexpr uint8_t kModeInput = 1;
inline constexpr uint8_t kModeOutput = 2;
inline constexpr uint8_t kModeRandom = 4;
inline constexpr uint8_t kModeAppend = 8;
inline constexpr uint8_t kModeDeviceOnly = 16;  // accepts only a handle that is not a disk file
inline constexpr uint8_t kModeBinary = 32;      // record length 1, position at the start
// With output: the file is made by this open and must not exist yet; an existing entry of
// the name (a file, or a link to one) is never opened or written through.
inline constexpr uint8_t kModeNew = 64;

// Access byte: bits 0-2 a sharing code 1..4 (share mode = code - 1), 32 forbids the
// read-only retry of a failed open, 64 asks for write access, 128 for read access.
inline constexpr uint8_t kAccessShareNone = 1;  // sharing code 1: nobody else may open it
inline constexpr uint8_t kAccessNoRetry = 32;
inline constexpr uint8_t kAccessWrite = 64;
inline constexpr uint8_t kAccessRead = 128;

// Device kinds.
inline constexpr uint16_t kDeviceDisk = 1;
inline constexpr uint16_t kDeviceOther = 2;

// Open flags.
inline constexpr uint16_t kOpenFlagOpen = 1;
inline constexpr uint16_t kOpenFlagGivenHandle = 4;  // the handle is not closed by file_close

// One record per open file number, newest first in the open-file list.
struct OpenFile {
  OpenFile* next = nullptr;
  int16_t number = 0;
  uintptr_t handle = 0;
  uint16_t device_kind = 0;
  uint8_t mode = 0;
  uint8_t access = 0;
  std::string name;
  uint64_t position = 0;  // bytes from the start; kept for disk files only
  int32_t record_length = 0;
  uint32_t column = 0;  // bytes written since the last line end
  uint32_t read_ahead = 0;
  uint16_t open_flags = 0;
  uint16_t caller_flag = 0;
  uint32_t transfer_count = 0;
  std::string buffer;  // record_length bytes: input read-ahead and record data
};

// Opens `name` (or adopts `handle` when it is not 0) as file `number`. An open that fails
// after it created the file deletes that file again, so a failed open leaves nothing new.
// The caller flag (bit 0 of the request) is kept for random mode: 0 starts the position at
// the largest value. The application saves through
// file_open(1, kModeOutput | kModeNew, kAccessWrite | kAccessNoRetry | kAccessShareNone, 128,
//           0, 1, path), which is access byte 97.
void file_open(int16_t number, uint8_t mode, uint8_t access, int32_t record_length,
               uintptr_t handle, uint16_t caller_flag, const std::string& name);

// The file number that file_print and file_print_eol write to.
void file_set_current(int16_t number);
int16_t file_current();

// Writes the bytes of `text` (no line end) to the current file number: one write.
void file_print(const std::string& text);
// Writes CR LF to the current file number and sets its column to 0: one write.
void file_print_eol();
// Writes `count` bytes to an open file; advances position (disk files) and column.
void file_write(OpenFile& file, const void* bytes, uint32_t count);

// Closes `number`; a number that is not open is no error. A non-zero `mask` must share a
// bit with the file's mode (else kErrBadFileMode).
void file_close(int16_t number, uint8_t mask);
void file_close_all();

// The record of an open file number, or nullptr after raising kErrBadFileNumber.
OpenFile* file_find(int16_t number);

// Test seam, never called by the program: forgets every open file without closing its handle
// and sets the current number to 0, so that each test starts with no file open whatever
// the one before it left open (on a file system that is gone by now).
void reset();

}  // namespace files
