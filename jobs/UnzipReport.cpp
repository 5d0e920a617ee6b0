#include "jobs/UnzipReport.h"

#include "jobs/FailureCause.h"

#include <windows.h>

#include <string>

#include "ziparchive/ZipException.h"

namespace {

constexpr std::size_t kListedChanges = 5;
constexpr std::size_t kListedSkips = 10;

CString Lines(const std::vector<CString>& items, std::size_t listed) {
    CString text;
    for (std::size_t i = 0; i < items.size() && i < listed; ++i) text += L"\n" + items[i];
    if (items.size() > listed) text += CString(L"\n\u2026 and ") + std::to_wstring(items.size() - listed) + L" more";
    return text;
}

CString Cause(const CZipException& error) {
    // A full disk, a place Tavoline may not write, a file another program holds: said with where.
    const CString systemCause = FailureCause(&error);
    if (!systemCause.IsEmpty()) return systemCause;
    switch (error.m_iCause) {
    case CZipException::notAnArchive: return L"The file is not a zip archive.";
    case CZipException::badArchive:
    case CZipException::corruptData: return error.m_reason + L".";   // the core's reason names the entry
    case CZipException::unsupported:
        if (error.m_reason.Find(L"plit archive") >= 0) return L"Split archive: a volume is missing.";
        return error.m_reason + L".";
    default: break;
    }
    wchar_t text[1024] = {};
    error.GetErrorMessage(text, 1024);
    return CString(text);
}

}   // namespace

CString SuccessText(const UnzipReport& report) {
    CString text = L"Unzipping completed successfully.";
    if (report.changes.empty()) return text;
    const std::size_t count = report.changes.size();
    text += CString(L"\n\n") + std::to_wstring(count) + (count == 1 ? L" name was changed" : L" names were changed") +
            L" so that Windows can hold it and no file overwrites another:";
    return text + Lines(report.changes, kListedChanges);
}

CString SkippedText(const UnzipReport& report) {
    if (report.skipped.empty()) return CString();
    const std::size_t count = report.skipped.size();
    CString text = count == 1
                       ? CString(L"1 entry was left out; everything else was unpacked:")
                       : CString(std::to_wstring(count)) + L" entries were left out; everything else was unpacked:";
    return text + Lines(report.skipped, kListedSkips);
}

CString FailureText(const wchar_t* failure, const CException* error) {
    CString text = failure;
    const auto* zipError = dynamic_cast<const CZipException*>(error);
    if (!zipError) return text;
    const CString cause = Cause(*zipError);
    return cause.IsEmpty() ? text : text + L"\n\n" + cause;
}
