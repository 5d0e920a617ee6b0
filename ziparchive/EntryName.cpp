#include "ziparchive/EntryName.h"

#include <cstddef>
#include <vector>

namespace zipfacade {

namespace {

bool IsSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

// Length of the prefix that only says where the path starts: "\\?\", "\\?\UNC\server\share",
// "\\server\share", "C:", or nothing. Leading separators are skipped by the caller.
std::size_t RootPrefixLength(const std::wstring& path) {
    std::size_t pos = 0;
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == L'?' || path[2] == L'.') &&
        IsSeparator(path[3])) {
        pos = 4;
        if (path.compare(pos, 4, L"UNC\\") == 0 || path.compare(pos, 4, L"UNC/") == 0) {
            pos += 4;
            for (int part = 0; part < 2 && pos < path.size(); ++part) {   // server, share
                while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
                if (part == 0 && pos < path.size()) ++pos;
            }
            return pos;
        }
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        pos = 2;
        for (int part = 0; part < 2 && pos < path.size(); ++part) {
            while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
            if (part == 0 && pos < path.size()) ++pos;
        }
        return pos;
    }
    if (path.size() >= pos + 2 && path[pos + 1] == L':' &&
        ((path[pos] >= L'A' && path[pos] <= L'Z') || (path[pos] >= L'a' && path[pos] <= L'z')))
        pos += 2;
    return pos;
}

} // namespace

bool MakeEntryName(const std::wstring& fileName, bool fullPath, std::wstring& name) {
    name.clear();
    std::vector<std::wstring> parts;
    bool climbs = false;
    std::size_t pos = RootPrefixLength(fileName);
    while (pos <= fileName.size()) {
        std::size_t end = pos;
        while (end < fileName.size() && !IsSeparator(fileName[end])) ++end;
        const std::wstring part = fileName.substr(pos, end - pos);
        if (part == L"..") climbs = true;
        if (!part.empty() && part != L".") parts.push_back(part);
        pos = end + 1;
    }
    if (parts.empty()) return false;
    if (!fullPath) {
        if (parts.back() == L"..") return false;
        name = parts.back();
        return true;
    }
    if (climbs) return false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) name += L'/';
        name += parts[i];
    }
    return true;
}

} // namespace zipfacade
