// Start-up with the update check, seen from outside: TavolineUpdateTest.exe is Tavoline.exe built
// with the update address http://127.0.0.1:TAVOLINE_UPDATE_TEST_PORT/software/updates/tavo.txt,
// where each test serves the update file it needs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LoopbackServer.h"
#include "TestArchives.h"
#include "Testkit.h"

namespace {

const wchar_t kMessage[] = L"An updated version is available for download";
const wchar_t kProgramCaption[] = L"Tavoline 1.0";   // the main window and the progress dialog
const std::wstring kDownload = L"http://downloads.tavoline.test/setup-20.exe";
const std::string kNewer = "0000020\nhttp://downloads.tavoline.test/setup-20.exe\n";
const std::string kSame = "0000019\nhttp://downloads.tavoline.test/setup-19.exe\n";

std::wstring UpdateTestExe() { return testkit::ThisProgramFolder() + L"\\TavolineUpdateTest.exe"; }

// Answers the update message the child shows, then watches it end; records every other window it shows.
struct UpdateRun {
    bool messageShown = false;
    bool messageOwned = false;
    long exitStatus = -1;
    std::string otherWindows;
};

UpdateRun AnswerUpdate(testkit::ChildProcess& child, testkit::Where where) {
    UpdateRun run;
    auto noteOthers = [&](HWND except) {
        for (HWND hWnd : testkit::TopWindowsOf(child.Pid())) {
            const std::string seen = testkit::DescribeWindow(hWnd);
            if (hWnd != except && ::IsWindowVisible(hWnd) && run.otherWindows.find(seen) == std::string::npos)
                run.otherWindows += seen + "\n";
        }
    };
    HWND box = testkit::WaitForWindow(testkit::WindowQuery::Dialog(L"Tavoline", child.Pid()).WithText(kMessage));
    if (box) {
        run.messageShown = testkit::MessageBoxText(box) == kMessage;
        run.messageOwned = ::GetWindow(box, GW_OWNER) != nullptr;
        noteOthers(box);
        testkit::PressOk(box);
    }
    testkit::WaitUntil(
        [&] {
            noteOthers(box);   // the box may take a moment to go
            return !child.Running();
        },
        testkit::kDefaultWaitMs);
    run.exitStatus = child.WaitForExit(where, 1000);
    return run;
}

TEST(StartupUpdate, MainWindowModeWithAnUpdateAnnouncesItOpensTheAddressAndEnds) {
    LoopbackServer server(HttpReply(200, kNewer), LoopbackServer::Behaviour::Answer, TAVOLINE_UPDATE_TEST_PORT);
    ASSERT_TRUE(server.Listening()) << server.Error();
    testkit::ShellLog log;
    testkit::ChildProcess child({UpdateTestExe(), L"", L"", {}}, TK_HERE);
    ASSERT_TRUE(child.Started());

    const UpdateRun run = AnswerUpdate(child, TK_HERE);
    EXPECT_TRUE(run.messageShown) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_FALSE(run.messageOwned) << "no window of the program exists yet to own the message";
    EXPECT_EQ(0, run.exitStatus);
    EXPECT_EQ("", run.otherWindows) << "the main window must never be shown";
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(kDownload)}, log.WaitForLines(1));
    EXPECT_EQ(1u, server.Requests().size());
}

TEST(StartupUpdate, MainWindowModeWithoutAnUpdateShowsTheMainWindow) {
    LoopbackServer server(HttpReply(200, kSame), LoopbackServer::Behaviour::Answer, TAVOLINE_UPDATE_TEST_PORT);
    ASSERT_TRUE(server.Listening()) << server.Error();
    testkit::ShellLog log;
    testkit::ChildProcess child({UpdateTestExe(), L"", L"", {}}, TK_HERE);
    ASSERT_TRUE(child.Started());

    HWND main = testkit::WaitForWindow(testkit::WindowQuery::Dialog(kProgramCaption, child.Pid()));
    ASSERT_NE(nullptr, main) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_EQ(1u, server.Requests().size()) << "the check runs before the window is shown";
    EXPECT_EQ(nullptr, testkit::FindWindowNow(testkit::WindowQuery::Dialog(L"Tavoline", child.Pid())));
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, child.WaitForExit(TK_HERE));
    EXPECT_TRUE(log.Lines().empty());
}

class CommandLineUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        m_archive = m_folder / L"photos.zip";
        ASSERT_TRUE(unziptest::WriteBytes(m_archive, unziptest::ZipBytes({{"beach.txt", "sand"}})));
    }
    testkit::TempFolder m_folder{L"update"};
    std::wstring m_archive;
};

TEST_F(CommandLineUpdate, WithAnUpdateTheArchiveStaysPacked) {
    LoopbackServer server(HttpReply(200, kNewer), LoopbackServer::Behaviour::Answer, TAVOLINE_UPDATE_TEST_PORT);
    ASSERT_TRUE(server.Listening()) << server.Error();
    testkit::ShellLog log;
    testkit::ChildProcess child({UpdateTestExe(), L"\"" + m_archive + L"\"", L"", {}}, TK_HERE);
    ASSERT_TRUE(child.Started());

    const UpdateRun run = AnswerUpdate(child, TK_HERE);
    EXPECT_TRUE(run.messageShown) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_EQ(0, run.exitStatus);
    EXPECT_EQ("", run.otherWindows) << "the progress dialog must never be shown";
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(kDownload)}, log.WaitForLines(1));
    EXPECT_FALSE(unziptest::FolderExists(m_folder / L"photos"));
}

// The same archive does get unpacked when there is no update: the test above proves something.
TEST_F(CommandLineUpdate, WithoutAnUpdateTheArchiveIsUnpacked) {
    LoopbackServer server(HttpReply(200, kSame), LoopbackServer::Behaviour::Answer, TAVOLINE_UPDATE_TEST_PORT);
    ASSERT_TRUE(server.Listening()) << server.Error();
    testkit::ShellLog log;
    testkit::ChildProcess child({UpdateTestExe(), L"\"" + m_archive + L"\"", L"", {}}, TK_HERE);
    ASSERT_TRUE(child.Started());

    HWND done = testkit::WaitForWindow(
        testkit::WindowQuery::Dialog(L"Unzipper", child.Pid()).WithText(L"Unzipping completed successfully."));
    ASSERT_NE(nullptr, done) << testkit::DescribeWindowsOf(child.Pid());
    testkit::PressOk(done);
    EXPECT_EQ(0, child.WaitForExit(TK_HERE));
    EXPECT_EQ(1u, server.Requests().size());
    EXPECT_EQ("sand", unziptest::ReadBytes(m_folder / L"photos\\beach.txt"));
}

}   // namespace
