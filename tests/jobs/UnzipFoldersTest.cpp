// What lands where: target folder names on disk, Unicode names on any code page, and hostile
// entry names that must not write outside the target folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "MainWindowRun.h"
#include "TestArchives.h"
#include "Testkit.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

namespace {

using namespace unziptest;
using testkit::Driver;
using testkit::WindowQuery;

// Unpacks each archive in turn from one main window, answering the box each run ends with.
struct UnzipRun {
    std::wstring archive;
    const wchar_t* closingBox;
};

void UnzipInMainWindow(PickerStub& picker, const std::vector<UnzipRun>& runs) {
    CTAVODlg dialog;
    Driver driver([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
        for (const UnzipRun& run : runs) {
            picker.Answer(run.archive);
            d.ClickButton(main, IDC_SELECT_FILE_TO_UNZIP, TK_HERE);
            d.WaitFor([&] { return ReadWindowState(d, main).unzipSelected == 1; }, "the archive selected", TK_HERE);
            d.ClickButton(main, IDC_UNZIP, TK_HERE);
            AnswerBox(d, main, run.closingBox, TK_HERE);
            WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        }
        testkit::PressCancel(main);
    });
    dialog.DoModal();
    driver.Finish();
}

TEST(UnzipFolders, FilesInTheWayAreCountedPastAndAFolderIsReused) {
    testkit::TempFolder temp(L"targets");
    const std::string bytes = ZipBytes({{"inside.txt", "inside"}});
    // photos and photos(1) are files: the next free name is photos(2).
    ASSERT_TRUE(WriteBytes(temp / L"photos.zip", bytes));
    ASSERT_TRUE(WriteBytes(temp / L"photos", "a file"));
    ASSERT_TRUE(WriteBytes(temp / L"photos(1)", "another file"));
    // An existing folder is unpacked into, and what it held stays.
    ASSERT_TRUE(WriteBytes(temp / L"music.zip", bytes));
    ASSERT_TRUE(::CreateDirectoryW((temp / L"music").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(temp / L"music\\kept.txt", "kept"));
    // A dot only in the folder's name: the archive's own name is taken, which is a file.
    ASSERT_TRUE(::CreateDirectoryW((temp / L"my.files").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(temp / L"my.files\\archive", bytes));

    PickerStub picker(L"");
    testkit::ShellLog shell;
    UnzipInMainWindow(
        picker,
        {{temp / L"photos.zip", kSuccess}, {temp / L"music.zip", kSuccess}, {temp / L"my.files\\archive", kSuccess}});

    EXPECT_EQ("a file", ReadBytes(temp / L"photos"));
    EXPECT_EQ(std::vector<std::string>{"inside.txt"}, FilesBelow(temp / L"photos(2)"));
    EXPECT_EQ((std::vector<std::string>{"inside.txt", "kept.txt"}), FilesBelow(temp / L"music"));
    EXPECT_EQ(std::vector<std::string>{"inside.txt"}, FilesBelow(temp / L"my.files\\archive(1)"));
    EXPECT_FALSE(FolderExists(temp / L"my"));
    EXPECT_EQ(
        (std::vector<std::wstring>{testkit::RecordedOpen(temp / L"photos(2)"), testkit::RecordedOpen(temp / L"music"),
                                   testkit::RecordedOpen(temp / L"my.files\\archive(1)")}),
        shell.WaitForLines(3));
}

TEST(UnzipFolders, UnicodeNamesArriveIntactWhateverTheCodePage) {
    // No single ANSI code page holds Greek, Cyrillic, CJK and symbols together.
    testkit::TempFolder temp(L"unicode");
    const std::wstring folder = temp / L"Ωμέγα 中文 ☃";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring archive = folder + L"\\архив ☃.zip";
    ASSERT_TRUE(WriteBytes(
        archive, ZipBytes({{"日本語/ファイル.txt", "japanese"}, {"Ελληνικά.txt", "greek"}, {"emoji 😀.txt", "smile"}})));
    PickerStub picker(L"");
    testkit::ShellLog shell;
    UnzipInMainWindow(picker, {{archive, kSuccess}});

    const std::wstring target = folder + L"\\архив ☃";
    EXPECT_EQ((std::vector<std::string>{"emoji 😀.txt", "Ελληνικά.txt", "日本語/ファイル.txt"}), FilesBelow(target));
    EXPECT_EQ("japanese", ReadBytes(target + L"\\日本語\\ファイル.txt"));
    EXPECT_EQ("smile", ReadBytes(target + L"\\emoji 😀.txt"));
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(target)}, shell.WaitForLines(1));
}

TEST(UnzipFolders, HostileEntryNamesLandInsideTheTargetUnderSafeNames) {
    testkit::TempFolder temp(L"hostile");
    const std::wstring inner = temp / L"inner";
    ASSERT_TRUE(::CreateDirectoryW(inner.c_str(), nullptr));
    struct Hostile {
        const char* stored;
        const char* landed;      // below the target, "/" separators
        const wchar_t* change;   // as the success box lists it
    };
    const Hostile hostile[] = {{"../evil.txt", "evil.txt", L"../evil.txt \u2192 evil.txt"},
                               {"..\\evil.txt", "evil.txt", L"../evil.txt \u2192 evil.txt"},
                               {"sub/../../evil.txt", "sub/evil.txt", L"sub/../../evil.txt \u2192 sub\\evil.txt"},
                               {"/evil.txt", "evil.txt", L"/evil.txt \u2192 evil.txt"},
                               {"C:evil.txt", "C_evil.txt", L"C:evil.txt \u2192 C_evil.txt"},
                               {"C:/evil.txt", "evil.txt", L"C:/evil.txt \u2192 evil.txt"}};
    std::vector<std::wstring> boxes;   // the success text with its list of changes, one for each run
    for (const Hostile& h : hostile)
        boxes.push_back(std::wstring(kSuccess) +
                        L"\n\n1 name was changed so that Windows can hold it and no file overwrites another:\n" +
                        h.change);
    std::vector<UnzipRun> runs;
    for (size_t i = 0; i < sizeof hostile / sizeof *hostile; ++i) {
        const std::wstring archive = inner + L"\\hostile" + std::to_wstring(i) + L".zip";
        ASSERT_TRUE(
            WriteBytes(archive, ZipBytes({{"first.txt", "first"}, {hostile[i].stored, "evil"}, {"last.txt", "last"}})));
        runs.push_back({archive, boxes[i].c_str()});
    }
    PickerStub picker(L"");
    UnzipInMainWindow(picker, runs);

    // The entry is written where the rest of its path says, inside the target; the others beside it.
    for (size_t i = 0; i < runs.size(); ++i) {
        const std::wstring target = inner + L"\\hostile" + std::to_wstring(i);
        std::vector<std::string> expected = {"first.txt", hostile[i].landed, "last.txt"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, FilesBelow(target)) << hostile[i].stored;
        EXPECT_EQ("evil", ReadBytes(target + L"\\" + testkit::Widen(hostile[i].landed))) << hostile[i].stored;
    }
    EXPECT_FALSE(FileExists(temp / L"evil.txt"));
    EXPECT_FALSE(FileExists(inner + L"\\evil.txt"));
    EXPECT_FALSE(FileExists(L"C:\\evil.txt"));
    EXPECT_FALSE(FileExists(L"\\evil.txt"));
}

}   // namespace
