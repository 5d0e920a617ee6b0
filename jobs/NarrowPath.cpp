#include "jobs/NarrowPath.h"

#include <windows.h>

#include "base/Exception.h"

std::string ToNarrowPath(const CString& text) {
    if (text.IsEmpty()) return std::string();
    const int needed = ::WideCharToMultiByte(CP_THREAD_ACP, 0, text, text.GetLength(), nullptr, 0, nullptr, nullptr);
    if (needed <= 0) AfxThrowLastError(::GetLastError());
    std::string narrow(static_cast<size_t>(needed), '\0');
    const int written =
        ::WideCharToMultiByte(CP_THREAD_ACP, 0, text, text.GetLength(), &narrow[0], needed, nullptr, nullptr);
    if (written <= 0) AfxThrowLastError(::GetLastError());
    narrow.resize(static_cast<size_t>(written));
    return narrow;
}
