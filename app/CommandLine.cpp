#include "app/CommandLine.h"

#include <windows.h>

#include <string>

namespace {
bool IsBlank(wchar_t ch) { return ch == L' ' || ch == L'\t'; }

// The program's name: quotes only group, they escape nothing.
const wchar_t* ReadProgramName(const wchar_t* p, std::wstring& name) {
    bool quoted = false;
    for (; *p && (quoted || !IsBlank(*p)); ++p) {
        if (*p == L'"') quoted = !quoted;
        else name += *p;
    }
    return p;
}

const wchar_t* ReadArgument(const wchar_t* p, std::wstring& argument) {
    bool quoted = false;
    while (*p && (quoted || !IsBlank(*p))) {
        if (*p == L'\\') {
            size_t backslashes = 0;
            while (*p == L'\\') {
                ++backslashes;
                ++p;
            }
            if (*p == L'"') {
                argument.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument += L'"';
                    ++p;
                }
                // an even count leaves the quote to the code below, as a delimiter
            } else {
                argument.append(backslashes, L'\\');
            }
            continue;
        }
        if (*p == L'"') {
            if (quoted && p[1] == L'"') {
                argument += L'"';
                p += 2;
                quoted = false;
                continue;
            }
            quoted = !quoted;
            ++p;
            continue;
        }
        argument += *p++;
    }
    return p;
}
}

std::vector<CString> SplitCommandLine(const wchar_t* commandLine) {
    std::vector<CString> arguments;
    if (!commandLine) return arguments;
    std::wstring name;
    const wchar_t* p = ReadProgramName(commandLine, name);
    arguments.emplace_back(std::move(name));
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;
        std::wstring argument;
        p = ReadArgument(p, argument);
        arguments.emplace_back(std::move(argument));
    }
    return arguments;
}

CString ArchivePathFromArgument(const CString& argument) {
    if (argument.IsEmpty()) return CString();
    const DWORD needed = ::GetFullPathNameW(argument, 0, nullptr, nullptr);
    if (needed == 0) return argument;   // the worker's own checks will report it
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(argument, needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return argument;
    full.resize(length);
    return CString(std::move(full));
}
