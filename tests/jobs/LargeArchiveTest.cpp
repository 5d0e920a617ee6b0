// An archive of more than 65,535 entries is unpacked completely (entry counts are not 16-bit).
#include <gtest/gtest.h>

#include "MainWindowRun.h"
#include "TestArchives.h"
#include "Testkit.h"
#include "res/resource.h"
#include "jobs/JobState.h"
#include "ui/MainDialog.h"

namespace {

using namespace unziptest;
using testkit::Driver;
using testkit::WindowQuery;

// Creating 65,536 files takes a quarter of an hour under Wine, so all but the first and the last
// entries name one folder: each of them is still tested and extracted in its turn, and only a
// loop that reaches the 65,537th entry writes "last.txt".
TEST(LargeArchive, MoreThan65535EntriesAreAllUnpacked) {
    const int kEntries = 65537;
    std::vector<Entry> entries;
    entries.push_back({"first.txt", "entry 0"});
    for (int i = 1; i < kEntries - 1; ++i) entries.push_back({"folder/", ""});
    entries.push_back({"last.txt", "entry 65536"});
    testkit::TempFolder temp(L"large");
    const std::wstring archive = temp / L"many.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(entries)));
    PickerStub picker(archive);
    JobMessageRecorder recorder;
    const DWORD kLimitMs = 600000;
    CTAVODlg dialog;
    Driver driver(
        [&](Driver& d) {
            HWND main = PickAndStartUnzip(d, TK_HERE);
            AnswerBox(d, main, kSuccess, TK_HERE, kLimitMs);
            WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
            testkit::PressCancel(main);
        },
        kLimitMs);
    dialog.DoModal();
    driver.Finish();

    EXPECT_EQ(static_cast<uint32_t>(kEntries), g_entryCount.load());
    EXPECT_EQ("", CheckSequence(recorder.Messages(), CompleteJobTable()));
    EXPECT_EQ((std::vector<std::string>{"first.txt", "last.txt"}), FilesBelow(temp / L"many"));
    EXPECT_TRUE(FolderExists(temp / L"many\\folder"));
    EXPECT_EQ("entry 65536", ReadBytes(temp / L"many\\last.txt"));
}

}   // namespace
