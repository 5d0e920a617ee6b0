// Folders and files for the zip tests, made through the wide Win32 API ("\\?\" paths, so any
// length and any name works) and removed again when the test ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "TempFolder.h"

namespace ziptest {

// The content every test file gets: its file name (without folders) repeated past 2000 bytes, so that
// bzip2 pays off and the entries keep method 12. The native archive check makes the same bytes.
std::string ContentFor(const std::wstring& fileName);
std::string Utf8(const std::wstring& text);

// A fresh folder of its own below the test output root, removed with everything in it on destruction.
class TestTree {
public:
    explicit TestTree(const std::wstring& label);
    ~TestTree();
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    const std::wstring& Root() const { return m_root; }
    std::wstring Path(const std::wstring& relative) const { return m_root + L"\\" + relative; }

    // Creates the folder (and the folders above it) below the root.
    std::wstring AddFolder(const std::wstring& relative);
    // Creates the file with ContentFor(its name), or with the given bytes.
    std::wstring AddFile(const std::wstring& relative);
    std::wstring AddFile(const std::wstring& relative, const std::string& bytes);

private:
    std::wstring m_root;
};

// The "\\?\" form of an absolute path.
using testkit::Long;
bool Exists(const std::wstring& path);
using testkit::ListFolder;
using testkit::ReadBytes;
using testkit::RemoveTree;
std::wstring CurrentDirectory();
// Where the tests keep what they make: <build>/tests/zip-work (a Z:\ path under Wine).
std::wstring WorkRoot();

}   // namespace ziptest
