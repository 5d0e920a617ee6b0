#include "Paths.h"

#include <windows.h>

#include "Text.h"

#ifndef TAVOLINE_EXE_PATH
#error "the build gives the path of Tavoline.exe"
#endif

namespace testkit {

std::wstring FromHostPath(const std::string& path) {
    std::wstring out = Widen(path);
    if (out.empty() || out[0] != L'/') return out;
    for (wchar_t& ch : out)
        if (ch == L'/') ch = L'\\';
    return L"Z:" + out;
}

std::wstring TavolineExe() { return FromHostPath(TAVOLINE_EXE_PATH); }

std::wstring ThisProgramFolder() {
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text = path;
    return text.substr(0, text.rfind(L'\\'));
}

std::wstring CurrentDirectory() {
    wchar_t path[MAX_PATH] = L"";
    ::GetCurrentDirectoryW(MAX_PATH, path);
    std::wstring text = path;
    if (text.size() > 3 && text.back() == L'\\') text.pop_back();
    return text;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    auto trim = [](std::wstring s) {
        while (s.size() > 3 && s.back() == L'\\') s.pop_back();
        return s;
    };
    return _wcsicmp(trim(a).c_str(), trim(b).c_str()) == 0;
}

}   // namespace testkit
