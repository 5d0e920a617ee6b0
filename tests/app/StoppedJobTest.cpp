// A job stopped by closing its window leaves nothing behind: no temporary "~tav…" file, no archive
// or entry file under its final name unless it was complete, and the process gone at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TestArchives.h"
#include "TestTree.h"
#include "Testkit.h"
#include "UnzipTexts.h"
#include "ZipWindowRun.h"
#include "jobs/JobState.h"
#include "jobs/JobStop.h"
#include "res/resource.h"
#include "ui/MainDialog.h"
#include "ziparchive/CZipArchive.h"

namespace {

using namespace unziptest;
using testkit::ChildProcess;
using testkit::WindowQuery;

const long kNotFinished = 4;
// How long the process may take to end once its window is closed.
const DWORD kGoneWithin = 2000;

testkit::LaunchOptions LaunchWith(const std::wstring& archive) {
    testkit::LaunchOptions options;
    options.exe = testkit::TavolineExe();
    options.arguments = L"\"" + archive + L"\"";
    return options;
}

// Tavoline's temporary files below a folder, with their sizes.
void FindTemporaryFiles(const std::wstring& folder, std::vector<std::pair<std::wstring, uint64_t>>& found) {
    WIN32_FIND_DATAW data;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) FindTemporaryFiles(folder + L"\\" + name, found);
        else if (name.compare(0, 4, L"~tav") == 0)
            found.push_back(
                {folder + L"\\" + name, (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
    } while (::FindNextFileW(search, &data));
    ::FindClose(search);
}

std::vector<std::wstring> TemporaryFiles(const std::wstring& folder) {
    std::vector<std::pair<std::wstring, uint64_t>> found;
    FindTemporaryFiles(folder, found);
    std::vector<std::wstring> names;
    for (const auto& file : found) names.push_back(file.first);
    return names;
}

// The largest temporary file below the folder holds at least `bytes`.
bool TemporaryFileHolds(const std::wstring& folder, uint64_t bytes) {
    std::vector<std::pair<std::wstring, uint64_t>> found;
    FindTemporaryFiles(folder, found);
    for (const auto& file : found)
        if (file.second >= bytes) return true;
    return false;
}

// Text that bzip2 shrinks about fourfold and decodes at a measurable pace: words picked at random.
std::string WordSoup(size_t bytes, uint32_t seed) {
    static const char* const kWords[] = {"archive ", "entry ", "folder ", "stop ",   "disk ",     "space ", "zip ",
                                         "bzip2 ",   "block ", "stream ", "window ", "progress ", "job ",   "temp "};
    std::string text;
    text.reserve(bytes + 16);
    while (text.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        text += kWords[(seed >> 16) % (sizeof kWords / sizeof kWords[0])];
        if ((seed & 0x3F) == 0) text += std::to_string(seed % 100000) + "\n";
    }
    text.resize(bytes);
    return text;
}

constexpr size_t kLargeEntryBytes = 40u << 20;
const wchar_t kLargeEntryName[] = L"large.txt";

// A bzip2 archive of one large entry, made by the library once per build tree and copied from there.
std::wstring LargeEntryArchive() {
    const std::wstring cached = ziptest::WorkRoot() + L"\\stopped-job-large-entry.zip";
    if (FileExists(cached)) return cached;
    // Two test programs may make it at once: each from its own source, each moved into place whole.
    const std::wstring source = ziptest::WorkRoot() + L"\\large-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    if (!WriteBytes(source, WordSoup(kLargeEntryBytes, 7))) return std::wstring();
    try {
        CZipArchive archive;
        archive.Open(cached.c_str(), CZipArchive::zipCreate, 0);
        archive.SetCompressionMethod(CZipArchive::methodBzip2);
        archive.AddNewFileAs(source.c_str(), kLargeEntryName);
        archive.Close(0, false);
    } catch (CException* e) {
        e->Delete();
    }
    ::DeleteFileW(source.c_str());
    return FileExists(cached) ? cached : std::wstring();
}

// Closes the progress dialog once `underWay` holds and checks what the stop left.
void CloseProgressDialogWhen(const std::wstring& archive, const std::wstring& folder,
                             const std::function<bool()>& underWay) {
    ChildProcess child(LaunchWith(archive), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = testkit::WaitForWindow(WindowQuery::Dialog(L"Tavoline 1.0", child.Pid()));
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    ASSERT_TRUE(testkit::WaitUntil(underWay, 60000)) << "the job never got that far";
    ASSERT_EQ(nullptr, testkit::FindWindowNow(WindowQuery::Dialog(kUnzipper, child.Pid())))
        << "the job had already ended";
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(kNotFinished, child.WaitForExit(TK_HERE, kGoneWithin)) << "the process ends within 2 s of the close";
    EXPECT_EQ(std::vector<std::wstring>{}, TemporaryFiles(folder));
}

TEST(StoppedJob, ClosingTheProgressDialogInsideALargeEntryLeavesNoTemporaryFile) {
    const std::wstring cached = LargeEntryArchive();
    ASSERT_FALSE(cached.empty()) << "the large archive could not be made";
    // As soon as the entry's verified data start to be kept, and when half of them are.
    for (uint64_t kept : {uint64_t{1}, uint64_t{kLargeEntryBytes / 2}}) {
        SCOPED_TRACE("closed once the spool holds " + std::to_string(kept) + " bytes");
        testkit::TempFolder temp(L"stop large");
        const std::wstring archive = temp / L"large.zip";
        ASSERT_TRUE(::CopyFileW(cached.c_str(), archive.c_str(), FALSE));
        CloseProgressDialogWhen(archive, temp.Path(), [&] { return TemporaryFileHolds(temp.Path(), kept); });
        // The close may come just after the entry was moved into place; then it must be whole.
        const std::wstring entry = temp / L"large\\large.txt";
        if (FileExists(entry)) {
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            ASSERT_TRUE(::GetFileAttributesExW(entry.c_str(), GetFileExInfoStandard, &data));
            const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            EXPECT_EQ(uint64_t{kLargeEntryBytes}, size) << "no half-written entry under its own name";
        }
        EXPECT_EQ(std::vector<std::wstring>{L"large.zip"}, [&] {
            std::vector<std::wstring> names;
            for (const std::wstring& name : ziptest::ListFolder(temp.Path()))
                if (name != L"large") names.push_back(name);
            return names;
        }()) << "the archive's folder holds nothing new but the (empty) target folder";
    }
}

TEST(StoppedJob, ClosingTheProgressDialogAmongManyEntriesKeepsTheExtractedOnes) {
    testkit::TempFolder source(L"stop many source");
    const std::wstring cached = source / L"many.zip";
    ASSERT_TRUE(WriteBytes(cached, ZipBytes(ManyEntries(40000))));
    for (const wchar_t* folderSeen : {L"d000", L"d004"}) {
        SCOPED_TRACE(testkit::Narrow(std::wstring(L"closed once ") + folderSeen + L" exists"));
        testkit::TempFolder temp(L"stop many");
        const std::wstring archive = temp / L"many.zip";
        ASSERT_TRUE(::CopyFileW(cached.c_str(), archive.c_str(), FALSE));
        CloseProgressDialogWhen(archive, temp.Path(), [&] { return FolderExists(temp / L"many\\" + folderSeen); });
        const std::vector<std::string> files = FilesBelow(temp / L"many");
        EXPECT_LT(files.size(), 40000u) << "the job was stopped, not finished";
        EXPECT_FALSE(files.empty());
        for (const std::string& file : files) {
            // Every entry holds its own name: a file that is there is whole.
            std::wstring wide(file.begin(), file.end());
            for (wchar_t& ch : wide)
                if (ch == L'/') ch = L'\\';
            ASSERT_EQ(file, ReadBytes(temp / L"many\\" + wide)) << file;
        }
    }
}

// The main window closed while a folder is being packed: the job stops as start-up asks it to,
// within the time start-up waits, and an older archive of the same name stays as it was.
TEST(StoppedJob, ClosingTheMainWindowWhileAFolderIsPackedLeavesTheOldArchiveAlone) {
    ziptest::TestTree tree(L"stop zip");
    for (int i = 0; i < 12; ++i)
        tree.AddFile(L"big\\part" + std::to_wstring(i) + L".txt", WordSoup(4u << 20, static_cast<uint32_t>(i)));
    const std::string oldArchive = "an older archive of the same name";
    tree.AddFile(L"big.zip", oldArchive);
    const std::wstring selection = tree.Path(L"big");

    // As soon as the new archive's temporary file exists, and once it holds some of the data.
    for (uint64_t written : {uint64_t{0}, uint64_t{1} << 20}) {
        SCOPED_TRACE("closed once the new archive holds " + std::to_string(written) + " bytes");
        // This process runs a job again after a stop; the program never does.
        g_stopRequested = 0;
        g_jobRunning = 0;
        ziptest::FolderChoice folderChoice(selection);
        bool stoppedInTime = false;
        {
            CTAVODlg dialog;
            testkit::Driver driver(
                [&](testkit::Driver& d) {
                    HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
                    d.ClickButton(main, IDC_SELECT_FOLDER_TO_ZIP, TK_HERE);
                    d.WaitFor([&] { return g_zipSelected.load() == 1; }, "a zip selection", TK_HERE);
                    d.ClickButton(main, IDC_ZIP, TK_HERE);
                    d.WaitFor(
                        [&] {
                            return !TemporaryFiles(tree.Root()).empty() && TemporaryFileHolds(tree.Root(), written);
                        },
                        "the new archive being written", TK_HERE, 60000);
                    d.Check(testkit::FindWindowNow(WindowQuery::Dialog(ziptest::kZipper)) == nullptr,
                            "the job had already ended", TK_HERE);
                    ::PostMessageW(main, WM_CLOSE, 0, 0);
                },
                90000);
            dialog.DoModal();
            driver.Finish();
            // What start-up does once the main window has closed, before it ends the process.
            stoppedInTime = StopJobAndWait(kGoneWithin);
        }
        EXPECT_TRUE(stoppedInTime) << "the worker returned within 2 s of the close";
        EXPECT_EQ(oldArchive, ziptest::ReadBytes(tree.Path(L"big.zip")));
        EXPECT_EQ(std::vector<std::wstring>{}, TemporaryFiles(tree.Root()));
        EXPECT_EQ(nullptr, testkit::FindWindowNow(WindowQuery::Dialog(ziptest::kZipper))) << "no box for a stop";
    }
}

}   // namespace
