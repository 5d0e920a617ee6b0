// A program folder with a stray wininet.dll and comctl32.dll in it, as a Downloads folder may have:
// Tavoline.exe must take WinInet from the system folder, the common controls through its manifest's
// side-by-side binding, and ZipArchive.dll from its own folder. Wine is told to prefer native DLLs
// of those names wherever it finds them (tests/app/CMakeLists.txt), as Windows would.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include "TestArchives.h"
#include "UnzipTexts.h"
#include "Testkit.h"

namespace {

using namespace unziptest;
using testkit::ChildProcess;
using testkit::WindowQuery;

const wchar_t* const kPlanted[] = {L"wininet.dll", L"comctl32.dll"};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// A copy of a program and the stray DLLs in a folder of their own.
struct PlantedFolder {
    testkit::TempFolder temp{L"planted dll"};
    PlantedFolder() {
        for (const wchar_t* dll : kPlanted) Copy(testkit::ThisProgramFolder() + L"\\..\\planted\\" + dll, dll);
    }
    std::wstring Copy(const std::wstring& from, const std::wstring& name) const {
        const std::wstring to = temp / name;
        EXPECT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << testkit::Narrow(from);
        return to;
    }
    // A planted DLL leaves this file when something loads it.
    bool Loaded(const std::wstring& dll) const { return FileExists(temp / (dll + L".loaded")); }
};

bool WineIsToldToPreferNativeDlls() {
    wchar_t overrides[512] = L"";
    ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 512);
    return wcsstr(overrides, L"wininet,comctl32=n,b") != nullptr;
}

testkit::LaunchOptions Launch(const std::wstring& exe, const std::wstring& arguments) {
    testkit::LaunchOptions options;
    options.exe = exe;
    options.arguments = arguments;
    return options;
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

TEST(PlantedDll, TavolineTakesSystemDllsFromTheSystemAndZipArchiveFromItsOwnFolder) {
    ASSERT_TRUE(WineIsToldToPreferNativeDlls());
    PlantedFolder folder;
    const std::wstring exe = folder.Copy(testkit::TavolineExe(), L"Tavoline.exe");
    folder.Copy(testkit::ThisProgramFolder() + L"\\ZipArchive.dll", L"ZipArchive.dll");
    const std::wstring archive = folder.temp / L"photos.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes({{"a.txt", "alpha"}})));
    testkit::ShellLog shell;

    // By the time the job reports, the update check has used WinInet and ZipArchive.dll has unpacked.
    ChildProcess child(Launch(exe, L"\"" + archive + L"\""), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND box = testkit::WaitForWindow(WindowQuery::Dialog(kUnzipper, child.Pid()).WithText(kSuccess));
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    const std::wstring wininet = LoadedFrom(child.Handle(), L"wininet.dll");
    const std::wstring comctl32 = LoadedFrom(child.Handle(), L"comctl32.dll");
    const std::wstring zipArchive = LoadedFrom(child.Handle(), L"ZipArchive.dll");
    testkit::PressOk(box);
    EXPECT_EQ(0, child.WaitForExit(TK_HERE));

    for (const wchar_t* dll : kPlanted)
        EXPECT_FALSE(folder.Loaded(dll)) << "Tavoline.exe loaded the " << testkit::Narrow(dll) << " beside it";
    EXPECT_EQ("alpha", ReadBytes(folder.temp / L"photos\\a.txt"));
    EXPECT_EQ(testkit::Narrow(Lower(SystemFolder() + L"\\wininet.dll")), testkit::Narrow(wininet));
    EXPECT_NE(std::wstring::npos, comctl32.find(L"\\winsxs\\")) << "common controls from " << testkit::Narrow(comctl32);
    EXPECT_EQ(testkit::Narrow(Lower(folder.temp / L"ZipArchive.dll")), testkit::Narrow(zipArchive));
}

// The same folder catches a program that loads WinInet by its name, the ordinary way.
TEST(PlantedDll, IsTakenByAProgramThatSearchesItsOwnFolderFirst) {
    ASSERT_TRUE(WineIsToldToPreferNativeDlls());
    PlantedFolder folder;
    const std::wstring exe = folder.Copy(testkit::ThisProgramFolder() + L"\\load_by_name.exe", L"load_by_name.exe");
    ChildProcess child(Launch(exe, L"wininet.dll"), TK_HERE);
    ASSERT_TRUE(child.Started());
    child.WaitForExit(TK_HERE);
    EXPECT_TRUE(folder.Loaded(L"wininet.dll")) << "the stray DLL was not loaded: the test above proves nothing";
}

}   // namespace
