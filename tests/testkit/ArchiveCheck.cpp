#include "ArchiveCheck.h"

#include <windows.h>

#include "TestTree.h"
#include "base/Exception.h"
#include "ziparchive/CZipArchive.h"

namespace ziptest {

namespace {
void ReadTree(const std::wstring& root, const std::wstring& relative, Files& files) {
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    for (const std::wstring& name : ListFolder(folder)) {
        const std::wstring child = relative.empty() ? name : relative + L"\\" + name;
        const DWORD attributes = GetFileAttributesW(Long(root + L"\\" + child).c_str());
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) ReadTree(root, child, files);
        else files[child] = ReadBytes(root + L"\\" + child);
    }
}

std::wstring ExportPath(const std::wstring& label) { return std::wstring(ZIP_ARCHIVES) + L"\\" + label + L".zip"; }
}   // namespace

Files Expected(const std::vector<std::wstring>& relativePaths) {
    Files files;
    for (const std::wstring& path : relativePaths) {
        const size_t separator = path.find_last_of(L'\\');
        files[path] = ContentFor(separator == std::wstring::npos ? path : path.substr(separator + 1));
    }
    return files;
}

Extracted ExtractAll(const std::wstring& archive) {
    Extracted result;
    TestTree target(L"extracted");
    try {
        CZipArchive zip;
        zip.Open(archive.c_str(), CZipArchive::zipOpen, 0);
        result.entries = zip.GetCount();
        for (ZIP_INDEX_TYPE index = 0; index < result.entries; ++index) {
            if (!zip.TestFile(index)) result.problem += "entry " + std::to_string(index) + " is corrupt; ";
            zip.ExtractFile(index, target.Root().c_str(), true);
        }
        zip.Close();
    } catch (CException* e) {
        result.problem += "reading " + Utf8(archive) + " failed: " + Utf8(e->GetReason().Str());
        e->Delete();
    }
    ReadTree(target.Root(), L"", result.files);
    return result;
}

void ForgetExport(const std::wstring& label) {
    DeleteFileW(Long(ExportPath(label)).c_str());
    DeleteFileW(Long(ExportPath(label) + L".expect").c_str());
}

void ExportForNativeCheck(const std::wstring& label, const std::wstring& archive, const Files& expected) {
    ForgetExport(label);
    if (!CopyFileW(Long(archive).c_str(), Long(ExportPath(label)).c_str(), FALSE)) return;
    std::string names;
    for (const auto& file : expected) {
        std::wstring name = file.first;
        for (wchar_t& ch : name)
            if (ch == L'\\') ch = L'/';
        names += Utf8(name) + "\n";
    }
    HANDLE file = CreateFileW(Long(ExportPath(label) + L".expect").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, names.data(), static_cast<DWORD>(names.size()), &written, nullptr);
    CloseHandle(file);
}

}   // namespace ziptest
