// A program folder with a stray wininet.dll in it, as a Downloads folder may have: Tavoline.exe
// must take WinInet from the system folder, and still ZipArchive.dll from its own folder.
// Wine is told to prefer a native wininet.dll wherever it finds one, as Windows would.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include "../unzip/TestArchives.h"
#include "../unzip/UnzipTexts.h"
#include "Testkit.h"

namespace {

using namespace unziptest;
using testkit::ChildProcess;
using testkit::WindowQuery;


// A copy of a program and the stray DLL in a folder of their own.
struct PlantedFolder {
    testkit::TempFolder temp{L"planted dll"};
    std::wstring Copy(const std::wstring& from, const std::wstring& name) const {
        const std::wstring to = temp / name;
        EXPECT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << testkit::Narrow(from);
        return to;
    }
    std::wstring Marker() const { return temp / L"wininet.dll.loaded"; }
    PlantedFolder() { Copy(testkit::ThisProgramFolder() + L"\\..\\planted\\wininet.dll", L"wininet.dll"); }
};

// Wine prefers a native wininet.dll for this test program and its children (tests/e2e/CMakeLists.txt).
bool WineIsToldToPreferANativeWininet() {
    wchar_t overrides[512] = L"";
    ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 512);
    return wcsstr(overrides, L"wininet=n,b") != nullptr;
}

testkit::LaunchOptions Launch(const std::wstring& exe, const std::wstring& arguments) {
    testkit::LaunchOptions options;
    options.exe = exe;
    options.arguments = arguments;
    return options;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// Where a process has loaded a DLL from (full path, lower case); empty when it has not.
std::wstring LoadedFrom(HANDLE process, const std::wstring& dllName) {
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!::EnumProcessModules(process, modules, sizeof modules, &bytes)) return L"";
    const std::wstring suffix = L"\\" + Lower(dllName);
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t path[MAX_PATH] = {};
        if (!::GetModuleFileNameExW(process, modules[i], path, MAX_PATH)) continue;
        const std::wstring lower = Lower(path);
        if (lower.size() > suffix.size() && lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0)
            return lower;
    }
    return L"";
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

TEST(PlantedDll, TavolineTakesWininetFromTheSystemFolderAndZipArchiveFromItsOwn) {
    ASSERT_TRUE(WineIsToldToPreferANativeWininet());
    PlantedFolder folder;
    const std::wstring exe = folder.Copy(testkit::TavolineExe(), L"Tavoline.exe");
    folder.Copy(testkit::ThisProgramFolder() + L"\\ZipArchive.dll", L"ZipArchive.dll");
    const std::wstring archive = folder.temp / L"photos.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes({{"a.txt", "alpha"}})));
    testkit::ShellLog shell;

    // The update check has used WinInet by the time the job reports; the archive is unpacked by ZipArchive.dll.
    ChildProcess child(Launch(exe, L"\"" + archive + L"\""), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND box = testkit::WaitForWindow(WindowQuery::Dialog(kUnzipper, child.Pid()).WithText(kSuccess));
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    const std::wstring wininet = LoadedFrom(child.Handle(), L"wininet.dll");
    const std::wstring zipArchive = LoadedFrom(child.Handle(), L"ZipArchive.dll");
    testkit::PressOk(box);
    EXPECT_EQ(0, child.WaitForExit(TK_HERE));

    EXPECT_FALSE(FileExists(folder.Marker())) << "Tavoline.exe loaded the wininet.dll beside it";
    EXPECT_EQ("alpha", ReadBytes(folder.temp / L"photos\\a.txt"));
    EXPECT_EQ(testkit::Narrow(Lower(SystemFolder() + L"\\wininet.dll")), testkit::Narrow(wininet));
    EXPECT_EQ(testkit::Narrow(Lower(folder.temp / L"ZipArchive.dll")), testkit::Narrow(zipArchive));
}

// The same folder catches a program that searches the ordinary way: the update check without
// Tavoline's start-up, in update_check_driver.exe, takes the stray DLL.
TEST(PlantedDll, IsTakenByAProgramThatSearchesItsOwnFolderFirst) {
    ASSERT_TRUE(WineIsToldToPreferANativeWininet());
    PlantedFolder folder;
    const std::wstring exe = folder.Copy(testkit::ThisProgramFolder() + L"\\update_check_driver.exe", L"driver.exe");
    ChildProcess child(Launch(exe, L"http://127.0.0.1:1/software/updates/tavo.txt"), TK_HERE);
    ASSERT_TRUE(child.Started());
    child.WaitForExit(TK_HERE);
    EXPECT_TRUE(FileExists(folder.Marker())) << "the stray DLL was not loaded: the planted-DLL test above proves nothing";
}

}  // namespace
