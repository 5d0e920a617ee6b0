#include "core/EntryName.h"

#include "core/TextEncoding.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace zipcore {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

} // namespace

bool IsDeviceName(const std::string& component) {
  std::string base = Upper(component.substr(0, component.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (base == device) return true;
  if (base.size() >= 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
    std::string digit = base.substr(3);
    // Windows also treats the superscript digits 1-3 as port numbers.
    if ((digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" || digit == "\xC2\xB2" ||
        digit == "\xC2\xB3")
      return true;
  }
  return false;
}

namespace {

std::string WhyUnsafeComponent(const std::string& component) {
  if (component.empty()) return "it has an empty path component";
  if (component == "." || component == "..") return "it has a \"" + component + "\" component";
  for (char ch : component) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20) return "it contains a control character";
    if (c == ':') return "it contains \":\" (a drive letter or an alternate data stream)";
    if (std::strchr("<>\"|?*", c)) return std::string("it contains \"") + ch + "\", which Windows forbids";
  }
  if (component.back() == '.' || component.back() == ' ')
    return "the component \"" + component + "\" ends in a dot or a blank";
  if (IsDeviceName(component)) return "\"" + component + "\" is a Windows device name";
  return {};
}

} // namespace

std::string NormalizeEntryName(const std::string& name) {
  std::string result = name;
  for (char& c : result)
    if (c == '\\') c = '/';
  return result;
}

std::string WhyUnsafe(const std::string& name) {
  if (name.empty()) return "the name is empty";
  if (!IsValidUtf8(name)) return "it is not valid UTF-8";
  if (IsSeparator(name[0])) return "it is an absolute path";
  std::string body = name;
  if (IsSeparator(body.back())) body.pop_back(); // a folder entry
  std::size_t start = 0;
  for (;;) {
    std::size_t end = start;
    while (end < body.size() && !IsSeparator(body[end])) ++end;
    std::string reason = WhyUnsafeComponent(body.substr(start, end - start));
    if (!reason.empty()) return reason;
    if (end == body.size()) return {};
    start = end + 1;
  }
}

std::string LastComponent(const std::string& name) {
  std::string body = name;
  if (!body.empty() && body.back() == '/') body.pop_back();
  std::size_t slash = body.rfind('/');
  return slash == std::string::npos ? body : body.substr(slash + 1);
}

std::size_t RootPrefixLength(const std::string& path) {
  std::size_t pos = 0;
  const auto skipServerAndShare = [&]() {
    for (int part = 0; part < 2 && pos < path.size(); ++part) {
      while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
      if (part == 0 && pos < path.size()) ++pos;
    }
    return pos;
  };
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == '?' || path[2] == '.') &&
      IsSeparator(path[3])) {
    pos = 4;
    if (path.compare(pos, 4, "UNC\\") == 0 || path.compare(pos, 4, "UNC/") == 0) {
      pos += 4;
      return skipServerAndShare();
    }
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    pos = 2;
    return skipServerAndShare();
  }
  if (path.size() >= pos + 2 && path[pos + 1] == ':' &&
      ((path[pos] >= 'A' && path[pos] <= 'Z') || (path[pos] >= 'a' && path[pos] <= 'z')))
    pos += 2;
  return pos;
}

bool EntryNameFromPath(const std::string& path, bool fullPath, std::string& name) {
  name.clear();
  std::vector<std::string> parts;
  bool climbs = false;
  std::size_t pos = RootPrefixLength(path);
  while (pos <= path.size()) {
    std::size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string part = path.substr(pos, end - pos);
    if (part == "..") climbs = true;
    if (!part.empty() && part != ".") parts.push_back(part);
    pos = end + 1;
  }
  if (parts.empty()) return false;
  if (!fullPath) {
    if (parts.back() == "..") return false;
    name = parts.back();
    return true;
  }
  if (climbs) return false;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) name += '/';
    name += parts[i];
  }
  return true;
}

} // namespace zipcore
