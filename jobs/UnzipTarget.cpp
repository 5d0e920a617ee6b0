#include "jobs/UnzipTarget.h"

#include <string>

namespace {
int FileNameStart(const CString& path) {
    const int backslash = path.ReverseFind(L'\\');
    const int slash = path.ReverseFind(L'/');
    const int colon = path.ReverseFind(L':');   // "C:name" has its file name right after the drive
    int last = backslash > slash ? backslash : slash;
    if (colon > last) last = colon;
    return last + 1;
}
}

CString ArchivePathWithoutExtension(const CString& archivePath) {
    const int nameStart = FileNameStart(archivePath);
    const int dot = archivePath.ReverseFind(L'.');
    if (dot <= nameStart) return archivePath;
    return archivePath.Left(dot);
}

CString UnzipTargetFolder(const CString& archivePath, const std::function<bool(const CString&)>& isExistingFile) {
    const CString base = ArchivePathWithoutExtension(archivePath);
    if (!isExistingFile(base)) return base;
    for (unsigned long n = 1;; ++n) {
        const CString numbered = base + L"(" + CString(std::to_wstring(n)) + L")";
        if (!isExistingFile(numbered)) return numbered;
    }
}
