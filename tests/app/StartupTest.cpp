// Tavoline.exe started as the shell starts it, watched from outside: its windows, its current
// directory, its exit status, and what its file carries (version, manifest, icon).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "Testkit.h"
#include "res/resource.h"

namespace {

using testkit::ChildProcess;
using testkit::WindowQuery;

std::wstring ExeFolder() {
    const std::wstring exe = testkit::TavolineExe();
    return exe.substr(0, exe.rfind(L'\\'));
}

TEST(Startup, WithoutArgumentsShowsTheMainWindowFromTheProgramFolderUntilItIsClosed) {
    testkit::TempFolder elsewhere;
    ChildProcess child({testkit::TavolineExe(), L"", elsewhere.Path(), {}}, TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND main = testkit::WaitForWindow(WindowQuery::Dialog(L"Tavoline 1.0", child.Pid()));
    ASSERT_NE(nullptr, main) << "the process shows:\n" << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_NE(nullptr, ::GetDlgItem(main, IDC_SELECT_FILE_TO_UNZIP)) << "not the main window";
    EXPECT_EQ(1u, [&] {
        size_t shown = 0;
        for (HWND hWnd : testkit::TopWindowsOf(child.Pid())) shown += ::IsWindowVisible(hWnd) ? 1 : 0;
        return shown;
    }()) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_PRED2(testkit::SameFolder, ExeFolder(), child.CurrentDirectory());

    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, child.WaitForExit(TK_HERE));
}

TEST(Startup, EscOnTheMainWindowEndsTheProgram) {
    ChildProcess child({testkit::TavolineExe(), L"", L"", {}}, TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND main = testkit::WaitForWindow(WindowQuery::Dialog(L"Tavoline 1.0", child.Pid()));
    ASSERT_NE(nullptr, main) << testkit::DescribeWindowsOf(child.Pid());
    HWND focused = ::GetDlgItem(main, IDC_SELECT_FILE_TO_UNZIP);
    ::PostMessageW(focused, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(0, child.WaitForExit(TK_HERE));
}

// The executable's own resources, read without running it.
class ExeResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = ::LoadLibraryExW(testkit::TavolineExe().c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(nullptr, m_module);
    }
    void TearDown() override {
        if (m_module) ::FreeLibrary(m_module);
    }
    std::string Resource(const wchar_t* type, UINT id) const {
        HRSRC found = ::FindResourceW(m_module, MAKEINTRESOURCEW(id), type);
        if (!found) return std::string();
        const char* data = static_cast<const char*>(::LockResource(::LoadResource(m_module, found)));
        return std::string(data, ::SizeofResource(m_module, found));
    }
    HMODULE m_module = nullptr;
};

TEST_F(ExeResources, ManifestAsksForTheInvokersRightsAndCommonControls6) {
    const std::string manifest = Resource(MAKEINTRESOURCEW(24), 1);   // RT_MANIFEST, the process's own
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\"")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""))
        << manifest;
}

TEST_F(ExeResources, ManifestDeclaresTheWindowsVersionsDpiAwarenessAndLongPaths) {
    const std::string manifest = Resource(MAKEINTRESOURCEW(24), 1);
    const struct {
        const char* what;
        const char* text;
    } declarations[] = {
        {"Windows Vista", "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>"},
        {"Windows 7", "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>"},
        {"Windows 8", "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>"},
        {"Windows 8.1", "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>"},
        {"Windows 10 and 11", "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"},
        {"DPI aware before Windows 10",
         "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"},
        {"system DPI aware on Windows 10",
         "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">system</dpiAwareness>"},
        {"long paths",
         "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>"},
    };
    for (const auto& declaration : declarations)
        EXPECT_NE(std::string::npos, manifest.find(declaration.text)) << declaration.what << ": " << declaration.text;
    EXPECT_NE(std::string::npos, manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">"));
    // This test program carries the same manifest: the system has taken it.
    EXPECT_TRUE(::IsProcessDPIAware());
}

TEST_F(ExeResources, VersionIs1001) {
    const std::string block = Resource(MAKEINTRESOURCEW(16), 1);   // RT_VERSION
    ASSERT_GT(block.size(), 40u + sizeof(VS_FIXEDFILEINFO));
    // VS_VERSIONINFO: header (6 bytes), key "VS_VERSION_INFO" (32 bytes), padding to 40, then the fixed part.
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, block.data() + 40, sizeof fixed);
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(MAKELONG(0, 1), fixed.dwFileVersionMS);   // 1.0
    EXPECT_EQ(MAKELONG(1, 0), fixed.dwFileVersionLS);   // .0.1
    EXPECT_EQ(fixed.dwFileVersionMS, fixed.dwProductVersionMS);
    EXPECT_EQ(fixed.dwFileVersionLS, fixed.dwProductVersionLS);
}

TEST_F(ExeResources, IconAndAboutEntryText) {
    HICON icon = static_cast<HICON>(::LoadImageW(m_module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(nullptr, icon);
    if (icon) ::DestroyIcon(icon);
    HICON small = static_cast<HICON>(::LoadImageW(m_module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 16, 16, 0));
    EXPECT_NE(nullptr, small);
    if (small) ::DestroyIcon(small);
    wchar_t text[64] = L"";
    ::LoadStringW(m_module, IDS_ABOUTBOX, text, 64);
    EXPECT_STREQ(L"&About TAVO...", text);
}

}   // namespace
