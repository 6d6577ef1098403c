// The US keyboard as a Windows console reports it: the names of the keys (set-1 scan codes
// and virtual-key codes) and the layout that says which key, with or without Shift, types
// each ASCII character. Every backend that makes key events and every test that scripts them
// reads this one table, so that no two of them can disagree about a key.
//
// Header-only and constexpr, with no operating-system header: the run-time, the backends and
// the printing module use it without linking anything.
#pragma once

#include <array>
#include <cstdint>

namespace platform {

// Set-1 scan codes of the keys that have a name rather than a character.
enum : uint16_t {
  kScanEscape = 0x01,
  kScanBackspace = 0x0E,
  kScanTab = 0x0F,
  kScanEnter = 0x1C,
  kScanCtrl = 0x1D,
  kScanLeftShift = 0x2A,
  kScanRightShift = 0x36,
  kScanPadMultiply = 0x37,
  kScanAlt = 0x38,
  kScanSpace = 0x39,
  kScanCapsLock = 0x3A,
  kScanF1 = 0x3B,  // F1-F10 follow in order
  kScanNumLock = 0x45,
  kScanScrollLock = 0x46,
  kScanHome = 0x47,  // also keypad 7
  kScanUp = 0x48,    // keypad 8
  kScanPageUp = 0x49,
  kScanPadMinus = 0x4A,
  kScanLeft = 0x4B,  // keypad 4
  kScanPadCentre = 0x4C,
  kScanRight = 0x4D,  // keypad 6
  kScanPadPlus = 0x4E,
  kScanEnd = 0x4F,  // keypad 1
  kScanDown = 0x50,
  kScanPageDown = 0x51,
  kScanInsert = 0x52,  // keypad 0
  kScanDelete = 0x53,  // keypad .
  kScanF11 = 0x57,     // F11, F12
};

// Virtual-key codes (letters and digits are their upper-case ASCII codes).
enum : uint16_t {
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkClear = 0x0C,
  kVkReturn = 0x0D,
  kVkEscape = 0x1B,
  kVkSpace = 0x20,
  kVkPrior = 0x21,
  kVkNext = 0x22,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVkNumpad0 = 0x60,  // keypad digits 0-9 follow in order
  kVkMultiply = 0x6A,
  kVkAdd = 0x6B,
  kVkSubtract = 0x6D,
  kVkDecimal = 0x6E,
  kVkDivide = 0x6F,
  kVkF1 = 0x70,  // F1-F24 follow in order
  kVkOem1 = 0xBA,
  kVkOemPlus = 0xBB,
  kVkOemComma = 0xBC,
  kVkOemMinus = 0xBD,
  kVkOemPeriod = 0xBE,
  kVkOem2 = 0xBF,
  kVkOem3 = 0xC0,
  kVkOem4 = 0xDB,
  kVkOem5 = 0xDC,
  kVkOem6 = 0xDD,
  kVkOem7 = 0xDE,
};

// The key that types a character: its scan code (0: no key types it), its virtual-key code
// and whether Shift is held.
struct UsKey {
  uint8_t scan = 0;
  uint8_t vk = 0;
  bool shift = false;
};

// The characters a key types, without and with Shift (0: none).
struct UsKeyCharacters {
  uint8_t plain = 0;
  uint8_t shifted = 0;
};

namespace keyboard_layout_detail {

struct Key {
  uint8_t scan, vk;
  char plain, shifted;  // shifted 0: Shift gives no other character
};

// Every key of a US keyboard that types a character, in scan-code order.
inline constexpr Key kKeys[] = {
    {kScanEscape, kVkEscape, 27, 0}, {0x02, '1', '1', '!'},
    {0x03, '2', '2', '@'},           {0x04, '3', '3', '#'},
    {0x05, '4', '4', '$'},           {0x06, '5', '5', '%'},
    {0x07, '6', '6', '^'},           {0x08, '7', '7', '&'},
    {0x09, '8', '8', '*'},           {0x0A, '9', '9', '('},
    {0x0B, '0', '0', ')'},           {0x0C, kVkOemMinus, '-', '_'},
    {0x0D, kVkOemPlus, '=', '+'},    {kScanBackspace, kVkBack, '\b', 0},
    {kScanTab, kVkTab, '\t', 0},     {0x10, 'Q', 'q', 'Q'},
    {0x11, 'W', 'w', 'W'},           {0x12, 'E', 'e', 'E'},
    {0x13, 'R', 'r', 'R'},           {0x14, 'T', 't', 'T'},
    {0x15, 'Y', 'y', 'Y'},           {0x16, 'U', 'u', 'U'},
    {0x17, 'I', 'i', 'I'},           {0x18, 'O', 'o', 'O'},
    {0x19, 'P', 'p', 'P'},           {0x1A, kVkOem4, '[', '{'},
    {0x1B, kVkOem6, ']', '}'},       {kScanEnter, kVkReturn, '\r', 0},
    {0x1E, 'A', 'a', 'A'},           {0x1F, 'S', 's', 'S'},
    {0x20, 'D', 'd', 'D'},           {0x21, 'F', 'f', 'F'},
    {0x22, 'G', 'g', 'G'},           {0x23, 'H', 'h', 'H'},
    {0x24, 'J', 'j', 'J'},           {0x25, 'K', 'k', 'K'},
    {0x26, 'L', 'l', 'L'},           {0x27, kVkOem1, ';', ':'},
    {0x28, kVkOem7, '\'', '"'},      {0x29, kVkOem3, '`', '~'},
    {0x2B, kVkOem5, '\\', '|'},      {0x2C, 'Z', 'z', 'Z'},
    {0x2D, 'X', 'x', 'X'},           {0x2E, 'C', 'c', 'C'},
    {0x2F, 'V', 'v', 'V'},           {0x30, 'B', 'b', 'B'},
    {0x31, 'N', 'n', 'N'},           {0x32, 'M', 'm', 'M'},
    {0x33, kVkOemComma, ',', '<'},   {0x34, kVkOemPeriod, '.', '>'},
    {0x35, kVkOem2, '/', '?'},       {kScanSpace, kVkSpace, ' ', 0},
};

constexpr std::array<UsKey, 128> by_character() {
  std::array<UsKey, 128> keys{};
  for (const Key& k : kKeys) {
    keys[static_cast<uint8_t>(k.plain)] = UsKey{k.scan, k.vk, false};
    if (k.shifted != 0) keys[static_cast<uint8_t>(k.shifted)] = UsKey{k.scan, k.vk, true};
  }
  return keys;
}

constexpr std::array<UsKeyCharacters, 256> by_scan_code() {
  std::array<UsKeyCharacters, 256> keys{};
  for (const Key& k : kKeys) {
    keys[k.scan] = UsKeyCharacters{static_cast<uint8_t>(k.plain), static_cast<uint8_t>(k.shifted)};
  }
  return keys;
}

inline constexpr std::array<UsKey, 128> kByCharacter = by_character();
inline constexpr std::array<UsKeyCharacters, 256> kByScanCode = by_scan_code();

}  // namespace keyboard_layout_detail

// The key of a US keyboard that types `ch` (Enter for '\r', Backspace '\b', Tab '\t', Esc 27);
// scan code 0 when no key does (other control codes, bytes above 127).
constexpr UsKey us_key(uint8_t ch) {
  return ch < 128 ? keyboard_layout_detail::kByCharacter[ch] : UsKey{};
}

// The characters the key with set-1 scan code `scan` types (both 0 for a key with none).
constexpr UsKeyCharacters us_key_characters(uint16_t scan) {
  return scan < 256 ? keyboard_layout_detail::kByScanCode[scan] : UsKeyCharacters{};
}

// True for the 26 letter keys, the ones Caps Lock shifts.
constexpr bool us_letter_key(uint16_t scan) {
  const uint8_t plain = us_key_characters(scan).plain;
  return plain >= 'a' && plain <= 'z';
}

}  // namespace platform
