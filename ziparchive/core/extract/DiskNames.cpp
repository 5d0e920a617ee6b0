#include "core/extract/DiskNames.h"

#include "core/EntryName.h"
#include "core/TextEncoding.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace zipcore {
namespace {

constexpr std::size_t kLongestComponent = 255; // UTF-16 units, NTFS's limit
// A shortened component leaves room for a " (n)" that a collision may add.
constexpr std::size_t kShortenedLength = 240;
constexpr std::size_t kLongestKeptExtension = 32;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::size_t Utf16Length(const std::string& text) { return Utf8ToWide(text).size(); }

// The first `units` UTF-16 units of text, never splitting a character.
std::string CutToUnits(const std::string& text, std::size_t units) {
  const std::wstring wide = Utf8ToWide(text);
  std::size_t keep = std::min(units, wide.size());
  if (keep > 0 && keep < wide.size() && wide[keep - 1] >= 0xD800 && wide[keep - 1] <= 0xDBFF) --keep;
  return WideToUtf8(wide.substr(0, keep));
}

std::size_t ExtensionStart(const std::string& component) {
  const std::size_t dot = component.rfind('.');
  return dot == std::string::npos || dot == 0 ? component.size() : dot;
}

std::string Shortened(const std::string& component) {
  // FNV-1a of the whole component: two long names sharing their start stay apart.
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : component) hash = (hash ^ c) * 16777619u;
  char tag[16];
  std::snprintf(tag, sizeof tag, "~%08X", static_cast<unsigned>(hash));
  std::size_t dot = ExtensionStart(component);
  std::string extension = component.substr(dot);
  if (Utf16Length(extension) > kLongestKeptExtension) extension.clear(), dot = component.size();
  const std::size_t room = kShortenedLength - Utf16Length(extension) - std::strlen(tag);
  return CutToUnits(component.substr(0, dot), room) + tag + extension;
}

std::string SafeComponent(std::string component) {
  for (char& ch : component) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || std::strchr("<>:\"|?*", c)) ch = '_';
  }
  for (std::size_t i = component.size(); i-- > 0 && (component[i] == '.' || component[i] == ' ');) component[i] = '_';
  if (IsDeviceName(component)) component.insert(0, "_");
  if (Utf16Length(component) > kLongestComponent) component = Shortened(component);
  return component;
}

// Windows compares names ignoring case; this folds ASCII, Latin-1, Greek and Cyrillic letters,
// which covers the names archives hold in practice.
std::string Folded(const std::string& path) {
  std::wstring wide = Utf8ToWide(path);
  for (wchar_t& c : wide) {
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2))
      c = static_cast<wchar_t>(c - 0x20);
    else if (c >= 0x430 && c <= 0x44F) c = static_cast<wchar_t>(c - 0x20);
    else if (c >= 0x450 && c <= 0x45F) c = static_cast<wchar_t>(c - 0x50);
  }
  return WideToUtf8(wide);
}

std::string Numbered(const std::string& component, int number, bool folder) {
  const std::size_t dot = folder ? component.size() : ExtensionStart(component);
  return component.substr(0, dot) + " (" + std::to_string(number) + ")" + component.substr(dot);
}

std::string Join(const std::string& folder, const std::string& component) {
  return folder.empty() ? component : folder + "/" + component;
}

class Namer {
public:
  std::string Place(const std::vector<std::string>& components, bool folderEntry) {
    std::string path;
    const std::size_t folders = folderEntry ? components.size() : components.size() - 1;
    for (std::size_t i = 0; i < folders; ++i) path = Folder(path, components[i]);
    if (folderEntry) return path;
    std::string name = Free(path, components.back(), false);
    taken_.insert(Folded(name));
    return name;
  }

private:
  // The folder `component` of `parent` as an earlier entry placed it, or placed now.
  std::string Folder(const std::string& parent, const std::string& component) {
    const std::string key = Folded(Join(parent, component));
    auto known = folders_.find(key);
    if (known != folders_.end()) return known->second;
    const std::string path = Free(parent, component, true);
    taken_.insert(Folded(path));
    folders_[key] = path;
    return path;
  }
  // `component` in `parent`, numbered until no earlier entry uses the name.
  std::string Free(const std::string& parent, const std::string& component, bool folder) const {
    std::string path = Join(parent, component);
    for (int number = 2; taken_.count(Folded(path)); ++number) path = Join(parent, Numbered(component, number, folder));
    return path;
  }

  std::map<std::string, std::string> folders_; // folded path as the archive names it → path on disk
  std::set<std::string> taken_;                // folded paths on disk of every file and folder placed
};

std::vector<std::string> SafeComponents(const std::string& name) {
  std::vector<std::string> parts;
  std::size_t pos = RootPrefixLength(name);
  // "a:b.txt" from a system where ":" is an ordinary character keeps its "a": only "C:\" or "C:/" is a drive.
  if (pos >= 2 && name[pos - 1] == ':' && pos < name.size() && !IsSeparator(name[pos])) pos -= 2;
  while (pos <= name.size()) {
    std::size_t end = pos;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string part = name.substr(pos, end - pos);
    if (!part.empty() && part != "." && part != "..") parts.push_back(SafeComponent(part));
    pos = end + 1;
  }
  return parts;
}

} // namespace

std::string StoredPath(const ZipEntry& entry) {
  std::string path = entry.name;
  if (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

std::vector<std::string> MakeDiskNames(const std::vector<ZipEntry>& entries) {
  Namer namer;
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (const ZipEntry& entry : entries) {
    const std::vector<std::string> components = SafeComponents(entry.name);
    names.push_back(components.empty() ? std::string() : namer.Place(components, entry.IsFolder()));
  }
  return names;
}

} // namespace zipcore
