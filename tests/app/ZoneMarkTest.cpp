// Files unpacked from a downloaded archive keep its "downloaded from the internet" mark (the
// Zone.Identifier stream), as Explorer's own unzip gives it to them, whichever way the archive is
// unpacked. On a real NTFS volume, where the stream travels with its file (ntfs-volume.sh mounts
// one), and on a tmpfs, where it cannot: there everything is unpacked as usual.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "MainWindowRun.h"
#include "TestArchives.h"
#include "Testkit.h"
#include "UnzipTexts.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

namespace {

using namespace unziptest;
using testkit::ChildProcess;
using testkit::Driver;
using testkit::WindowQuery;

const std::wstring kNtfs = ZONE_MARK_VOLUMES L"\\ntfs";
const std::wstring kTmpfs = ZONE_MARK_VOLUMES L"\\tmpfs";
const long kUnpacked = 0, kNotFinished = 4;

using Mark = std::optional<std::string>;   // a Zone.Identifier stream's bytes, or none
const std::string kDownloaded =
    "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://mail.example.org/inbox\r\n"
    "HostUrl=https://files.example.org/invoice.zip\r\n";
// What a mark that cannot be read counts as.
const std::string kInternetZone = "[ZoneTransfer]\r\nZoneId=3\r\n";

std::wstring StreamOf(const std::wstring& path) { return path + L":Zone.Identifier"; }

Mark MarkOf(const std::wstring& path) {
    if (::GetFileAttributesW(StreamOf(path).c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return ReadBytes(StreamOf(path));
}

bool PutMark(const std::wstring& path, const std::string& bytes) { return WriteBytes(StreamOf(path), bytes); }

// A mark as a failure message shows it: on one line, cut after its first 80 bytes.
std::string Describe(const Mark& mark) {
    if (!mark) return "no mark";
    std::string shown;
    for (char c : mark->substr(0, 80)) shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return "\"" + shown + (mark->size() > 80 ? "...\"" : "\"");
}

// A folder of its own on one of the test volumes, removed with everything in it at the end.
class VolumeFolder {
public:
    VolumeFolder(const std::wstring& volume, const std::wstring& name)
        : m_path(volume + L"\\" + name + L"-" + std::to_wstring(::GetCurrentProcessId())) {
        testkit::RemoveTree(m_path);
        ::CreateDirectoryW(m_path.c_str(), nullptr);   // only on a volume that is there
    }
    ~VolumeFolder() { testkit::RemoveTree(m_path); }
    VolumeFolder(const VolumeFolder&) = delete;
    VolumeFolder& operator=(const VolumeFolder&) = delete;
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// Whether a stream written onto a file is found under the name it is renamed to: true on the NTFS
// volume, false on the tmpfs; the check that the fixture really is what the tests assume.
bool StreamsTravelIn(const std::wstring& folder) {
    // Named by process: the cases of this file may run at the same time.
    const std::wstring probe = folder + L"\\travel-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring before = probe + L"-before.txt", after = probe + L"-after.txt";
    const bool travelled = WriteBytes(before, "file") && PutMark(before, kDownloaded) &&
                           ::MoveFileExW(before.c_str(), after.c_str(), MOVEFILE_REPLACE_EXISTING) &&
                           MarkOf(after) == Mark(kDownloaded) && !MarkOf(before);
    ::DeleteFileW(StreamOf(before).c_str());   // on the tmpfs a file of its own
    ::DeleteFileW(after.c_str());
    return travelled;
}

// Every file below the folder that lacks the expected mark, and every folder (this one included)
// that has one; named relative to the folder.
std::vector<std::string> WrongMarks(const std::wstring& folder, const Mark& expected) {
    std::vector<std::string> wrong;
    std::function<void(const std::wstring&, const std::string&)> walk = [&](const std::wstring& dir,
                                                                            const std::string& shown) {
        if (MarkOf(dir)) wrong.push_back("folder " + shown + " has a mark");
        for (const std::wstring& name : testkit::ListFolder(dir)) {
            const std::wstring path = dir + L"\\" + name;
            const std::string relative = shown + "/" + testkit::Narrow(name);
            if (FolderExists(path)) {
                walk(path, relative);
            } else if (MarkOf(path) != expected) {
                wrong.push_back(relative + ": " + Describe(MarkOf(path)) + ", expected " + Describe(expected));
            }
        }
    };
    walk(folder, ".");
    return wrong;
}

const std::vector<Entry> kNested = {{"macro.docm", "PK nested document"}, {"bin/tool.exe", "MZ nested program"}};
const std::vector<Entry> kInvoice = {
    {"invoice.docm", "PK a document with macros"},
    {"tools/", ""},
    {"tools/setup.exe", std::string("MZ\x90\0\3\0\0\0", 8)},
    {"tools/deep/readme.txt", "read me"},
    {"empty/", ""},
    {"attachments.zip", ZipBytes(kNested)},
};

// Unpacks in command-line mode, as the shell starts Tavoline for a double-clicked archive or its
// "Unzip with Tavoline" entry; returns the exit status.
long UnzipFromCommandLine(const std::wstring& archive) {
    testkit::ShellLog shell;
    testkit::LaunchOptions options;
    options.exe = testkit::TavolineExe();
    options.arguments = L"\"" + archive + L"\"";
    ChildProcess child(options, TK_HERE);
    if (!child.Started()) return -1;
    HWND box = testkit::WaitForWindow(WindowQuery::Dialog(kUnzipper, child.Pid()).WithText(kSuccess), 60000);
    EXPECT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    if (box) testkit::PressOk(box);
    return child.WaitForExit(TK_HERE);
}

// Unpacks from the main window: picked, "Unzip" clicked, the success box answered.
long UnzipFromMainWindow(const std::wstring& archive) {
    PickerStub picker(archive);
    testkit::ShellLog shell;
    CTAVODlg dialog;
    Driver driver(
        [&](Driver& d) {
            HWND main = PickAndStartUnzip(d, TK_HERE);
            AnswerBox(d, main, kSuccess, TK_HERE, 60000);
            WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
            testkit::PressCancel(main);
        },
        90000);
    dialog.DoModal();
    driver.Finish();
    return kUnpacked;   // a run that went otherwise has failed the test
}

struct MarkCase {
    const char* label;
    Mark archiveMark;
    std::function<long(const std::wstring&)> unzip;
    Mark expected;   // on every file unpacked
};

TEST(ZoneMark, EveryFileUnpackedFromAMarkedArchiveOnNtfsGetsTheArchivesMark) {
    ASSERT_TRUE(StreamsTravelIn(kNtfs)) << "no NTFS volume with streams at " << testkit::Narrow(kNtfs)
                                        << " (ntfs-volume.sh up, as root, with FUSE)";
    const std::vector<MarkCase> cases = {
        {"downloaded, command line", kDownloaded, UnzipFromCommandLine, kDownloaded},
        {"downloaded, main window", kDownloaded, UnzipFromMainWindow, kDownloaded},
        {"not downloaded", std::nullopt, UnzipFromCommandLine, std::nullopt},
        {"mark over 64 KiB", kInternetZone + "HostUrl=https://" + std::string(70000, 'x') + "\r\n",
         UnzipFromCommandLine, kInternetZone},
        {"mark not text", std::string("[ZoneTransfer]\r\nZoneId=0\r\n\0\1\2", 29), UnzipFromCommandLine, kInternetZone},
    };
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(c.label);
        VolumeFolder folder(kNtfs, L"marks");
        const std::wstring archive = folder / L"invoice.zip";
        ASSERT_TRUE(WriteBytes(archive, ZipBytes(kInvoice)));
        if (c.archiveMark) {
            ASSERT_TRUE(PutMark(archive, *c.archiveMark));
        }
        ASSERT_EQ(kUnpacked, c.unzip(archive));
        const std::wstring target = folder / L"invoice";
        ASSERT_EQ(
            (std::vector<std::string>{"attachments.zip", "invoice.docm", "tools/deep/readme.txt", "tools/setup.exe"}),
            FilesBelow(target));
        ASSERT_TRUE(FolderExists(target + L"\\empty"));
        EXPECT_EQ(std::vector<std::string>{}, WrongMarks(target, c.expected));
        // The archive inside, unpacked in turn, passes the mark on.
        ASSERT_EQ(kUnpacked, UnzipFromCommandLine(target + L"\\attachments.zip"));
        ASSERT_EQ((std::vector<std::string>{"bin/tool.exe", "macro.docm"}), FilesBelow(target + L"\\attachments"));
        EXPECT_EQ(std::vector<std::string>{}, WrongMarks(target + L"\\attachments", c.expected));
    }
}

TEST(ZoneMark, AJobClosedMidWayLeavesNoFileUnderItsNameWithoutTheMark) {
    ASSERT_TRUE(StreamsTravelIn(kNtfs)) << "no NTFS volume with streams at " << testkit::Narrow(kNtfs);
    VolumeFolder folder(kNtfs, L"stopped");
    const std::wstring archive = folder / L"many.zip";
    const int kEntries = 12000;
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(ManyEntries(kEntries))));
    ASSERT_TRUE(PutMark(archive, kDownloaded));
    testkit::ShellLog shell;
    testkit::LaunchOptions options;
    options.exe = testkit::TavolineExe();
    options.arguments = L"\"" + archive + L"\"";
    ChildProcess child(options, TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = testkit::WaitForWindow(WindowQuery::Dialog(kMainCaption, child.Pid()));
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    // Under way: the second folder's files are arriving.
    ASSERT_TRUE(testkit::WaitUntil([&] { return FolderExists(folder / L"many\\d001"); }, 60000));
    testkit::PressCancel(dialog);
    ASSERT_EQ(kNotFinished, child.WaitForExit(TK_HERE));
    const std::vector<std::string> unpacked = FilesBelow(folder / L"many");
    EXPECT_GT(unpacked.size(), 256u);
    EXPECT_LT(unpacked.size(), static_cast<size_t>(kEntries)) << "the job was stopped, not finished";
    for (const std::string& name : unpacked) EXPECT_NE(0u, name.find("~tav")) << "no temporary file is left";
    EXPECT_EQ(std::vector<std::string>{}, WrongMarks(folder / L"many", kDownloaded));
}

TEST(ZoneMark, WhereStreamsCannotFollowTheirFileEverythingIsUnpackedAsUsual) {
    ASSERT_TRUE(FolderExists(kTmpfs)) << "no tmpfs at " << testkit::Narrow(kTmpfs) << " (ntfs-volume.sh up, as root)";
    ASSERT_FALSE(StreamsTravelIn(kTmpfs));
    VolumeFolder folder(kTmpfs, L"plain");
    const std::wstring archive = folder / L"invoice.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(kInvoice)));
    // Under Wine a file of its own, named like the stream: the archive counts as marked.
    ASSERT_TRUE(PutMark(archive, kDownloaded));
    ASSERT_EQ(kUnpacked, UnzipFromCommandLine(archive));
    EXPECT_EQ((std::vector<std::string>{"attachments.zip", "invoice.docm", "tools/deep/readme.txt", "tools/setup.exe"}),
              FilesBelow(folder / L"invoice"))
        << "nothing but the entries: no mark left behind as a file of its own";
    EXPECT_EQ("PK a document with macros", ReadBytes(folder / L"invoice\\invoice.docm"));
}

}   // namespace
