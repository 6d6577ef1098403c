#include "platform/windows_names.h"

#include <cstring>

#include "platform/files.h"

namespace platform {

namespace we = win_error;

namespace {

constexpr size_t kMaxComponent = 255;
constexpr size_t kMaxName = 259;  // MAX_PATH less its terminating zero

bool is_sep(char c) {
  return c == '\\' || c == '/';
}

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool forbidden(const std::string& component) {
  for (const unsigned char ch : component) {
    if (ch < 32 || std::strchr("<>:\"|?*", ch) != nullptr) return true;
  }
  return false;
}

bool all_dots(const std::string& component) {
  return component.find_first_not_of('.') == std::string::npos;
}

// A name that starts with two separators: a network name or one of the namespaces.
uint32_t double_separator_error(const std::string& text) {
  if (text.size() >= 3 && (text[2] == '.' || text[2] == '?') &&
      (text.size() == 3 || is_sep(text[3]))) {
    return we::kPathNotFound;
  }
  size_t i = 2;
  while (i < text.size() && is_sep(text[i])) ++i;
  const size_t server = i;
  while (i < text.size() && !is_sep(text[i])) ++i;
  if (i == server) return we::kBadPathname;
  while (i < text.size() && is_sep(text[i])) ++i;
  return i < text.size() ? we::kBadNetPath : we::kBadPathname;
}

}  // namespace

NameDevice device_of(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = upper(c);
  if (base == "NUL") return NameDevice::kNul;
  if (base == "CON" || base == "PRN" || base == "AUX") return NameDevice::kOther;
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
      base[3] >= '1' && base[3] <= '9') {
    return NameDevice::kOther;
  }
  return NameDevice::kNone;
}

WindowsName parse_windows_name(const char* name) {
  WindowsName out;
  const std::string text = name == nullptr ? std::string() : std::string(name);
  if (text.empty()) {
    out.error = we::kPathNotFound;
    return out;
  }
  if (text.size() > kMaxName) {
    out.error = we::kFilenameExcedRange;
    return out;
  }
  if (text.size() >= 2 && is_sep(text[0]) && is_sep(text[1])) {
    out.error = double_separator_error(text);
    return out;
  }
  size_t from = 0;
  if (text.size() >= 2 && text[1] == ':' && is_letter(text[0])) {
    out.drive = upper(text[0]);
    from = 2;
  }
  // The components as written, separators dropped.
  std::vector<std::string> written;
  std::string part;
  for (size_t i = from; i <= text.size(); ++i) {
    if (i == text.size() || is_sep(text[i])) {
      if (!part.empty()) written.push_back(part);
      part.clear();
    } else {
      part.push_back(text[i]);
    }
  }
  for (size_t i = 0; i < written.size(); ++i) {
    std::string c = written[i];
    const bool last = i + 1 == written.size();
    if (c == "..") {
      if (!out.parts.empty()) out.parts.pop_back();
      continue;
    }
    if (c == ".") continue;
    if (last) {
      while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.pop_back();
      if (c.empty()) continue;  // dots and spaces alone: the folder before it
    } else if (!all_dots(c) && c.back() == '.') {
      c.pop_back();
    }
    out.parts.push_back(c);
  }
  for (size_t i = 0; i < out.parts.size(); ++i) {
    const std::string& c = out.parts[i];
    if (forbidden(c)) {
      out.error = we::kInvalidName;
      return out;
    }
    if (c.size() > kMaxComponent) {
      out.error = we::kFilenameExcedRange;
      return out;
    }
    const NameDevice d = device_of(c);
    if (d == NameDevice::kNone) continue;
    if (i + 1 != out.parts.size()) {
      out.error = we::kPathNotFound;  // a device is no folder
      return out;
    }
    out.device = d;
  }
  return out;
}

}  // namespace platform
