// Run by installer_test.sh in a fresh prefix after a silent per-user install: what the installer
// registered, and Explorer's right-click entries used as Explorer uses them (ShellExecuteEx with
// the verb), each run to its end. The archives made are read again natively afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "ArchiveCheck.h"
#include "TestArchives.h"
#include "TestTree.h"
#include "Testkit.h"

using namespace ziptest;

namespace {
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavoline";
const wchar_t kClasses[] = L"Software\\Classes\\";

// A value of the user's registry as text (a DWORD as its decimal digits); "<missing>" when absent.
std::wstring Value(const std::wstring& key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, &type, nullptr, &size) != ERROR_SUCCESS)
        return L"<missing>";
    std::vector<BYTE> data(size + sizeof(wchar_t));
    ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, &type, data.data(), &size);
    if (type == REG_DWORD) return std::to_wstring(*reinterpret_cast<DWORD*>(data.data()));
    if (type == REG_NONE) return L"<none>";
    return reinterpret_cast<const wchar_t*>(data.data());
}

std::wstring InstallFolder() { return Value(kUninstallKey, L"InstallLocation"); }
std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Starts a verb on a file or folder as Explorer does, and answers the box that ends the job; the
// program's exit status, or -1 when it did not start, its box did not come or it did not end in time.
// Explorer takes the verb from the class its menu was built from ("*", "Directory", the .zip file
// association). Wine's ShellExecuteEx looks only at a file's own type, and its HKEY_CLASSES_ROOT
// leaves out the user's classes, so the test hands it that class's key of the user's registry.
long RunVerb(const wchar_t* verb, const wchar_t* verbClass, const std::wstring& target, const wchar_t* caption,
             const wchar_t* text) {
    HKEY classKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kClasses) + verbClass).c_str(), 0, KEY_READ, &classKey) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "no class " << testkit::Narrow(verbClass) << " among the user's classes";
        return -1;
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_CLASSKEY;
    info.hkeyClass = classKey;
    info.lpVerb = verb;
    info.lpFile = target.c_str();
    info.nShow = SW_SHOWNORMAL;
    const BOOL started = ::ShellExecuteExW(&info);
    ::RegCloseKey(classKey);
    if (!started || !info.hProcess) {
        ADD_FAILURE() << "ShellExecuteEx " << testkit::Narrow(verb) << " failed: " << ::GetLastError();
        return -1;
    }
    const DWORD pid = ::GetProcessId(info.hProcess);
    HWND box = testkit::WaitForWindow(testkit::WindowQuery::Dialog(caption, pid).WithText(text), 60000);
    EXPECT_NE(nullptr, box) << testkit::DescribeWindowsOf(pid);
    if (box) testkit::PressOk(box);
    DWORD status = static_cast<DWORD>(-1);
    if (testkit::WaitForHandle(info.hProcess, 30000)) ::GetExitCodeProcess(info.hProcess, &status);
    else ::TerminateProcess(info.hProcess, 99);
    ::CloseHandle(info.hProcess);
    return static_cast<long>(status);
}
}   // namespace

TEST(Installed, RegistersTheProgramWithExplorerAndAppsAndFeatures) {
    const std::wstring folder = InstallFolder();
    ASSERT_NE(L"<missing>", folder);
    const std::wstring exe = folder + L"\\Tavoline.exe";
    const std::wstring unzipCommand = Quoted(exe) + L" \"%1\"";
    const std::wstring zipCommand = Quoted(exe) + L" /zip \"%1\"";
    const std::wstring c = kClasses;
    struct Expect {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    };
    const Expect table[] = {
        {kUninstallKey, L"DisplayName", L"Tavoline"},
        {kUninstallKey, L"DisplayVersion", TAVOLINE_VERSION},
        {kUninstallKey, L"Publisher", L"Korrel Utilities"},
        {kUninstallKey, L"UninstallString", Quoted(folder + L"\\Uninstall.exe")},
        {kUninstallKey, L"QuietUninstallString", Quoted(folder + L"\\Uninstall.exe") + L" /S"},
        {c + L".zip\\OpenWithProgids", L"Tavoline.zip", L"<none>"},
        {c + L".zip", nullptr, L"<missing>"},   // the default association is left alone
        {c + L"Tavoline.zip\\shell\\open\\command", nullptr, unzipCommand},
        {c + L"Applications\\Tavoline.exe\\shell\\open\\command", nullptr, unzipCommand},
        {c + L"SystemFileAssociations\\.zip\\shell\\TavolineUnzip", L"MUIVerb", L"Unzip with Tavoline"},
        {c + L"SystemFileAssociations\\.zip\\shell\\TavolineUnzip\\command", nullptr, unzipCommand},
        {c + L"*\\shell\\TavolineZip", L"MUIVerb", L"Zip with Tavoline"},
        {c + L"*\\shell\\TavolineZip\\command", nullptr, zipCommand},
        {c + L"Directory\\shell\\TavolineZip", L"MUIVerb", L"Zip with Tavoline"},
        {c + L"Directory\\shell\\TavolineZip\\command", nullptr, zipCommand},
    };
    for (const Expect& e : table)
        EXPECT_EQ(e.value, Value(e.key, e.name))
            << testkit::Narrow(e.key) << " " << (e.name ? testkit::Narrow(e.name) : "@");
    // The program and its DLL alone are well over 100 KB; the size is given in KB.
    const long estimatedKb = std::stol(Value(kUninstallKey, L"EstimatedSize"));
    EXPECT_GT(estimatedKb, 100);
    EXPECT_LT(estimatedKb, 50000);
    for (const wchar_t* file :
         {L"Tavoline.exe", L"ZipArchive.dll", L"LICENSE.txt", L"THIRD-PARTY-NOTICES.txt", L"USER-GUIDE.txt"})
        EXPECT_TRUE(Exists(folder + L"\\" + file)) << testkit::Narrow(file);
}

TEST(Installed, UnzipWithTavolineUnpacksTheArchiveBesideIt) {
    TestTree tree(L"verb-unzip");
    const std::wstring archive = tree.Path(L"holiday photos.zip");
    ASSERT_TRUE(unziptest::WriteBytes(
        archive, unziptest::ZipBytes({{"a.txt", "alpha"}, {"sub/\xc3\xa9t\xc3\xa9.txt", "bravo"}})));
    EXPECT_EQ(0, RunVerb(L"TavolineUnzip", L"SystemFileAssociations\\.zip", archive, L"Unzipper",
                         L"Unzipping completed successfully."));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "sub/\xc3\xa9t\xc3\xa9.txt"}),
              unziptest::FilesBelow(tree.Path(L"holiday photos")));
}

TEST(Installed, ZipWithTavolinePacksAFolderAndAFileBesideThem) {
    TestTree tree(L"verb-zip");
    const std::vector<std::wstring> names{L"a.txt", L"2019\\b.txt", L"caf\u00e9.txt"};
    for (const std::wstring& name : names) tree.AddFile(L"My Folder\\" + name);
    tree.AddFile(L"notes 2024.txt");
    struct Case {
        const wchar_t* label;
        const wchar_t* verbClass;
        std::wstring item;
        Files expected;
    };
    const Case cases[] = {{L"verb-folder", L"Directory", tree.Path(L"My Folder"), Expected(names)},
                          {L"verb-file", L"*", tree.Path(L"notes 2024.txt"), Expected({L"notes 2024.txt"})}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testkit::Narrow(c.label));
        ForgetExport(c.label);
        EXPECT_EQ(0, RunVerb(L"TavolineZip", c.verbClass, c.item, L"Zipper", L"Zipping completed successfully."));
        const Extracted archive = ExtractAll(c.item + L".zip");
        EXPECT_EQ("", archive.problem);
        EXPECT_TRUE(c.expected == archive.files) << archive.files.size() << " files came out";
        ExportForNativeCheck(c.label, c.item + L".zip", c.expected);
    }
}
