#include "TestTree.h"

#include "TempFolder.h"

#include <atomic>
#include <stdexcept>

namespace ziptest {

using testkit::MakeFolders;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::string ContentFor(const std::wstring& entryName) {
    const std::string line = Utf8(entryName) + "\n";
    std::string content;
    while (content.size() <= 2000) content += line;
    return content;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring CurrentDirectory() {
    wchar_t buffer[32768];
    const DWORD length = GetCurrentDirectoryW(32768, buffer);
    return std::wstring(buffer, length);
}

std::wstring WorkRoot() { return ZIP_TEST_WORK; }

TestTree::TestTree(const std::wstring& label) {
    static std::atomic<int> counter{0};
    m_root =
        WorkRoot() + L"\\" + label + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    RemoveTree(m_root);
    MakeFolders(m_root);
}

TestTree::~TestTree() { RemoveTree(m_root); }

std::wstring TestTree::AddFolder(const std::wstring& relative) {
    MakeFolders(Path(relative));
    return Path(relative);
}

std::wstring TestTree::AddFile(const std::wstring& relative) {
    const size_t separator = relative.find_last_of(L'\\');
    return AddFile(relative, ContentFor(separator == std::wstring::npos ? relative : relative.substr(separator + 1)));
}

std::wstring TestTree::AddFile(const std::wstring& relative, const std::string& bytes) {
    const std::wstring path = Path(relative);
    const size_t separator = path.find_last_of(L'\\');
    MakeFolders(path.substr(0, separator));
    HANDLE file =
        CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + Utf8(path));
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

}   // namespace ziptest
