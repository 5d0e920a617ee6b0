// The harness itself: child processes, their exit status and time limits, the shell recorder.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <windows.h>
#include <shellapi.h>

#include <fstream>

#include "Testkit.h"
#include "res/resource.h"
#include "ui/AboutDialog.h"

namespace {

std::wstring ShellRecorder() { return testkit::ThisProgramFolder() + L"\\shellrec.exe"; }

TEST(Harness, AChildGetsItsArgumentsFolderAndEnvironmentAndReportsItsExitStatus) {
    testkit::TempFolder folder;
    const std::wstring log = folder / L"calls.log";
    testkit::ChildProcess child({ShellRecorder(), L"\"first arg\" second", folder.Path(), {{L"SHELLREC_LOG", log}}},
                                TK_HERE);
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(0, child.WaitForExit(TK_HERE));
    std::ifstream file(testkit::Narrow(log));
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(testkit::Narrow(L"\"" + ShellRecorder() + L"\" \"first arg\" second"), line);
}

TEST(Harness, AChildThatOutlivesItsLimitFailsTheTestAndIsEnded) {
    // Tavoline's main window stays until someone closes it.
    testkit::ChildProcess* child = nullptr;
    testkit::ChildProcess running({testkit::TavolineExe(), L"", L"", {}}, TK_HERE);
    child = &running;
    ASSERT_TRUE(child->Started());
    ASSERT_NE(nullptr, testkit::WaitForWindow(testkit::WindowQuery::Dialog(L"Tavoline 1.0", child->Pid())));
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(-1, child->WaitForExit(TK_HERE, 300)), "Tavoline 1.0");
    EXPECT_FALSE(child->Running());
}

TEST(Harness, TheShellsOpenRequestsReachTheRecorder) {
    testkit::ShellLog log;
    testkit::TempFolder folder(L"shell open");
    const HINSTANCE result = ::ShellExecuteW(nullptr, L"open", folder.Path().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_GT(reinterpret_cast<INT_PTR>(result), 32);
    const std::vector<std::wstring> lines = log.WaitForLines(1);
    ASSERT_EQ(1u, lines.size()) << "is C:\\shellrec.exe installed in the prefix (scripts/wine-prefix.sh)?";
    EXPECT_EQ(testkit::RecordedOpen(folder.Path()), lines[0]);
}

// A dialog whose driver gives up must not keep the test waiting: it is closed and the test fails.
TEST(Harness, ADialogNobodyAnswersFailsTheTestInsteadOfHangingIt) {
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            CAboutDlg about;
            testkit::Driver driver([](testkit::Driver& d) {
                d.WaitForWindow(testkit::WindowQuery::Dialog(L"No such window"), TK_HERE, 200);
            });
            result = about.DoModal();
            driver.Finish();
        },
        "No such window");
    EXPECT_EQ(IDCANCEL, result);

    EXPECT_NONFATAL_FAILURE(
        {
            CAboutDlg about;
            testkit::Driver driver([](testkit::Driver&) {}, 300);   // ends without closing the box
            result = about.DoModal();
            driver.Finish();
        },
        "still running");
    EXPECT_EQ(IDCANCEL, result);
}

}   // namespace
