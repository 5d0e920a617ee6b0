// Zip jobs from start to end through the real main window: what gets packed, the job messages,
// the shell, the window afterwards, and every way a job ends in a failure.
#include <gtest/gtest.h>

#include <algorithm>

#include "ArchiveCheck.h"
#include "TestTree.h"
#include "ZipWindowRun.h"
#include "jobs/JobState.h"

using namespace ziptest;
using unziptest::CheckSequence;
using unziptest::SeenMessage;

namespace {
std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    return names;
}

const SeenMessage* Find(const std::vector<SeenMessage>& messages, UINT message) {
    for (const SeenMessage& m : messages)
        if (m.message == message) return &m;
    return nullptr;
}

// Holds a file or folder open without sharing, so that the job cannot read it meanwhile.
class Locked {
public:
    explicit Locked(const std::wstring& path)
        : m_handle(CreateFileW(Long(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                               nullptr)) {}
    ~Locked() {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    bool Held() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

// What every successful job shows: the success box while the job still runs with a full bar,
// the folder of the archive opened once, the window reset afterwards, the current directory kept.
void ExpectSucceeded(const ZipRun& run, const std::wstring& shownFolder) {
    EXPECT_EQ(kZipped, run.boxText);
    EXPECT_EQ(1, run.atBox.jobRunning) << "the job still runs while its success box is up";
    const SeenMessage* done = Find(run.messages, WM_JOB_DONE);
    ASSERT_NE(nullptr, done);
    EXPECT_GT(done->order, run.boxMark) << "WM_JOB_DONE comes only after the success box is closed";
    EXPECT_EQ(done->barHigh, done->barPos) << "the bar stands full before the window resets";
    EXPECT_TRUE(IsIdleWithNothingSelected(run.after)) << testkit::Narrow(run.after.status);
    EXPECT_EQ(0u, run.folderFilesAfter);
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(shownFolder)}, run.shell);
    EXPECT_EQ(run.directoryBefore, run.directoryAfter);
}

// What every failed job shows: the error box (with the line naming the cause, where there is one),
// the window reset while it is up, nothing opened.
void ExpectFailed(const ZipRun& run, const std::vector<unziptest::Expect>& table, const std::wstring& cause = L"") {
    EXPECT_EQ(kZipFailed + (cause.empty() ? std::wstring() : L"\n\n" + cause), run.boxText);
    EXPECT_TRUE(run.boxStillShown) << "the window resets while the error is on screen";
    EXPECT_TRUE(IsIdleWithNothingSelected(run.atBox));
    EXPECT_EQ("", CheckSequence(run.messages, table));
    EXPECT_EQ(1, g_jobFailed.load());
    EXPECT_TRUE(run.shell.empty());
    EXPECT_EQ(0u, run.folderFilesAfter);
    EXPECT_EQ(run.directoryBefore, run.directoryAfter);
}
}   // namespace

TEST(ZipJob, PacksAFolderWithItsSubfoldersHiddenAndSystemFilesButNoEmptyFolders) {
    ForgetExport(L"folder");
    TestTree tree(L"zip-folder");
    const std::vector<std::wstring> names{L"a.txt", L"2019\\b.txt", L"2019\\deep\\c.txt", L"hidden.txt", L"system.txt"};
    for (const std::wstring& name : names) tree.AddFile(L"Photos\\" + name);
    tree.AddFolder(L"Photos\\empty");
    tree.AddFolder(L"Photos\\hollow\\inner");
    ASSERT_TRUE(SetFileAttributesW(tree.Path(L"Photos\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(
        SetFileAttributesW(tree.Path(L"Photos\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));

    const ZipRun run = RunZipJob(tree.Path(L"Photos"), true);

    ExpectSucceeded(run, tree.Root());
    EXPECT_EQ("", CheckSequence(run.messages, FolderJobTable(names.size())));
    EXPECT_EQ(6, Find(run.messages, WM_JOB_DONE)->barHigh) << "range 0 .. files + 1";
    const Extracted archive = ExtractAll(tree.Path(L"Photos.zip"));
    EXPECT_EQ("", archive.problem);
    EXPECT_EQ(names.size(), archive.entries) << "no entries for folders";
    EXPECT_EQ(Expected(names), archive.files);
    EXPECT_EQ((std::vector<std::wstring>{L"Photos", L"Photos.zip"}), Sorted(ListFolder(tree.Root())))
        << "nothing else is left beside the archive";
    ExportForNativeCheck(L"folder", tree.Path(L"Photos.zip"), Expected(names));
}

TEST(ZipJob, PacksASingleFileUnderItsBareNameEvenWhenItIsAnArchive) {
    ForgetExport(L"single");
    TestTree tree(L"zip-single");
    tree.AddFile(L"in\\x.zip");

    const ZipRun run = RunZipJob(tree.Path(L"in\\x.zip"), false);

    ExpectSucceeded(run, tree.Path(L"in"));
    EXPECT_EQ("", CheckSequence(run.messages, unziptest::CompleteJobTable()));
    EXPECT_EQ(100, Find(run.messages, WM_JOB_DONE)->barPos);
    EXPECT_EQ(100, Find(run.messages, WM_JOB_DONE)->barHigh);
    const Extracted archive = ExtractAll(tree.Path(L"in\\x.zip.zip"));
    EXPECT_EQ("", archive.problem);
    EXPECT_EQ(Expected({L"x.zip"}), archive.files);
    EXPECT_EQ((std::vector<std::wstring>{L"x.zip", L"x.zip.zip"}), Sorted(ListFolder(tree.Path(L"in"))));
    ExportForNativeCheck(L"single", tree.Path(L"in\\x.zip.zip"), Expected({L"x.zip"}));
}

TEST(ZipJob, PacksAnEmptyFolderIntoAnArchiveWithoutEntries) {
    ForgetExport(L"empty");
    TestTree tree(L"zip-empty");
    tree.AddFolder(L"nothing\\at\\all");

    const ZipRun run = RunZipJob(tree.Path(L"nothing"), true);

    ExpectSucceeded(run, tree.Root());
    EXPECT_EQ("", CheckSequence(run.messages, FolderJobTable(0)));
    EXPECT_EQ(1, Find(run.messages, WM_JOB_DONE)->barHigh) << "range 0 .. 1, one step";
    const Extracted archive = ExtractAll(tree.Path(L"nothing.zip"));
    EXPECT_EQ("", archive.problem);
    EXPECT_EQ(0u, archive.entries);
    ExportForNativeCheck(L"empty", tree.Path(L"nothing.zip"), Files());
}

TEST(ZipJob, KeepsUnicodeNamesAndPathsBeyondMaxPath) {
    ForgetExport(L"unicode-long");
    TestTree tree(L"zip-names");
    std::wstring deep;
    while (deep.size() < 300) deep += L"a-folder-name-of-forty-characters------\\";
    const std::vector<std::wstring> names{L"\u03a9\u03bc\u03ad\u03b3\u03b1\\\u65e5\u672c\u8a9e-\U0001F600.txt",
                                          L"na\u00efve caf\u00e9.txt", deep + L"long \u00e9t\u00e9.txt"};
    for (const std::wstring& name : names) tree.AddFile(L"F\\" + name);
    ASSERT_GT(tree.Path(L"F\\" + names[2]).size(), 300u);

    const ZipRun run = RunZipJob(tree.Path(L"F"), true);

    ExpectSucceeded(run, tree.Root());
    EXPECT_EQ("", CheckSequence(run.messages, FolderJobTable(names.size())));
    const Extracted archive = ExtractAll(tree.Path(L"F.zip"));
    EXPECT_EQ("", archive.problem);
    EXPECT_EQ(Expected(names), archive.files);
    ExportForNativeCheck(L"unicode-long", tree.Path(L"F.zip"), Expected(names));
}

// The tree with folder links is made natively (native_tree.py): Wine cannot make links itself.
TEST(ZipJob, DoesNotFollowLinksToFolders) {
    ForgetExport(L"links");
    const std::wstring native = ZIP_NATIVE_TREE;
    ASSERT_TRUE(Exists(native + L"\\links\\sub\\up")) << "the native tree is missing; run the tests through ctest";
    RemoveTree(native + L"\\links.zip");

    const ZipRun run = RunZipJob(native + L"\\links", true);

    ExpectSucceeded(run, native);
    const std::vector<std::wstring> names{L"a.txt", L"sub\\b.txt", L"shared\\c.txt"};
    const Extracted archive = ExtractAll(native + L"\\links.zip");
    EXPECT_EQ("", archive.problem);
    EXPECT_EQ(Expected(names), archive.files);
    ExportForNativeCheck(L"links", native + L"\\links.zip", Expected(names));
    RemoveTree(native + L"\\links.zip");
}

// Drive Y: of the test prefix is a folder of the build tree (native_tree.py). The archive of a
// drive root is "Y:\.zip", inside the root itself: neither it nor an older one may be packed.
TEST(ZipJob, PacksADriveRootWithoutPackingItsOwnArchive) {
    ForgetExport(L"driveroot");
    ASSERT_TRUE(Exists(L"Y:\\r.txt")) << "drive Y: is not mapped; run the tests through ctest";
    TestTree scratch(L"zip-root");   // only for its file helpers
    const HANDLE old =
        CreateFileW(L"Y:\\.zip", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, old);
    DWORD written = 0;
    WriteFile(old, "an older archive", 16, &written, nullptr);
    CloseHandle(old);

    const ZipRun run = RunZipJob(L"Y:\\", true);

    ExpectSucceeded(run, L"Y:\\");
    EXPECT_EQ("", CheckSequence(run.messages, FolderJobTable(2))) << "the older archive is not counted";
    const std::vector<std::wstring> names{L"r.txt", L"sub\\s.txt"};
    const Extracted archive = ExtractAll(L"Y:\\.zip");
    EXPECT_EQ("", archive.problem);
    EXPECT_EQ(Expected(names), archive.files);
    EXPECT_EQ((std::vector<std::wstring>{L".zip", L"r.txt", L"sub"}), Sorted(ListFolder(L"Y:\\")));
    ExportForNativeCheck(L"driveroot", L"Y:\\.zip", Expected(names));
    DeleteFileW(L"Y:\\.zip");
}

TEST(ZipJob, AFileThatCannotBeReadFailsTheJobAndLeavesNoArchive) {
    TestTree tree(L"zip-unreadable");
    tree.AddFile(L"F\\a.txt");
    tree.AddFile(L"F\\locked.txt");
    tree.AddFile(L"F\\z.txt");
    {
        Locked lock(tree.Path(L"F\\locked.txt"));
        ASSERT_TRUE(lock.Held());
        // START and the steps of the files added before it, then DONE.
        const std::wstring inUse = L"Another program is using the file: " + tree.Path(L"F\\locked.txt");
        ExpectFailed(RunZipJob(tree.Path(L"F"), true),
                     {{WM_JOB_START, unziptest::Times::Once},
                      {WM_JOB_STEP, unziptest::Times::Any},
                      {WM_JOB_DONE, unziptest::Times::Once}},
                     inUse);
        EXPECT_EQ(std::vector<std::wstring>{L"F"}, ListFolder(tree.Root())) << "no archive, no temporary file";

        ExpectFailed(RunZipJob(tree.Path(L"F\\locked.txt"), false), unziptest::CompleteJobTable(), inUse);
        EXPECT_FALSE(Exists(tree.Path(L"F\\locked.txt.zip")));
        EXPECT_EQ(3u, ListFolder(tree.Path(L"F")).size());
    }
    {
        Locked lock(tree.Path(L"F"));   // a folder that cannot be listed: nothing has started yet
        ASSERT_TRUE(lock.Held());
        ExpectFailed(RunZipJob(tree.Path(L"F"), true), {{WM_JOB_DONE, unziptest::Times::Once}});
    }
    EXPECT_EQ(std::vector<std::wstring>{L"F"}, ListFolder(tree.Root()));
}
