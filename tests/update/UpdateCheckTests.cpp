// The whole check, in a child process (update_check_driver.exe) as start-up runs it: the message,
// the address handed to the shell (seen by the recorder) and the exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CheckDriverStatus.h"
#include "LoopbackServer.h"
#include "Testkit.h"

namespace {

const wchar_t kCaption[] = L"Tavoline";
const wchar_t kMessage[] = L"An updated version is available for download";
const DWORD kHangGuardMs = 8000;   // the check gives up after five seconds; this only catches a hang

struct CheckOutcome {
    long exitStatus = -1;
    int boxes = 0;                      // update messages shown (and answered)
    std::vector<std::wstring> opened;   // what the recorder saw the shell asked to open
    DWORD elapsedMs = 0;
    std::string otherWindows;   // any other window the child showed
};

// Runs the check against url in a child and answers what it shows, as a user would.
CheckOutcome RunCheck(const std::wstring& url, testkit::Where where) {
    CheckOutcome outcome;
    testkit::ShellLog log;
    testkit::LaunchOptions options;
    options.exe = testkit::ThisProgramFolder() + L"\\update_check_driver.exe";
    options.arguments = L"\"" + url + L"\"";
    const DWORD start = ::GetTickCount();
    testkit::ChildProcess child(options, where);
    if (!child.Started()) return outcome;

    const testkit::WindowQuery box = testkit::WindowQuery::Dialog(kCaption, child.Pid()).WithText(kMessage);
    testkit::WaitUntil(
        [&] {
            for (HWND hWnd : testkit::TopWindowsOf(child.Pid())) {
                if (!::IsWindowVisible(hWnd)) continue;
                if (hWnd == testkit::FindWindowNow(box) && testkit::MessageBoxText(hWnd) == kMessage) {
                    ++outcome.boxes;
                    testkit::PressOk(hWnd);
                    testkit::WaitForGone(hWnd, 5000);
                } else if (outcome.otherWindows.find(testkit::DescribeWindow(hWnd)) == std::string::npos) {
                    outcome.otherWindows += testkit::DescribeWindow(hWnd) + "\n";
                }
            }
            return !child.Running();
        },
        kHangGuardMs + 5000);
    outcome.exitStatus = child.WaitForExit(where, 1000);
    outcome.elapsedMs = ::GetTickCount() - start;
    // The recorder writes a little after the shell has started it.
    outcome.opened = outcome.exitStatus == 0 ? log.WaitForLines(1, 5000) : log.Lines();
    return outcome;
}

void ExpectNoUpdate(const CheckOutcome& outcome) {
    EXPECT_EQ(kCheckReturned, outcome.exitStatus) << "the check should return to start-up";
    EXPECT_EQ(0, outcome.boxes);
    EXPECT_TRUE(outcome.opened.empty()) << testkit::Narrow(outcome.opened.empty() ? L"" : outcome.opened[0]);
    EXPECT_EQ("", outcome.otherWindows);
}

void ExpectUpdate(const CheckOutcome& outcome, const std::wstring& address) {
    EXPECT_EQ(1, outcome.boxes) << "one message \"" << testkit::Narrow(kMessage) << "\" titled \"Tavoline\"";
    EXPECT_EQ(0, outcome.exitStatus);
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(address)}, outcome.opened);
    EXPECT_EQ("", outcome.otherWindows);
}

struct ServedCase {
    const char* name;
    std::string reply;
    LoopbackServer::Behaviour behaviour;
    const wchar_t* opened;   // the address the shell gets, or null: no update
};

std::ostream& operator<<(std::ostream& out, const ServedCase& c) { return out << c.name; }

class UpdateCheckServed : public ::testing::TestWithParam<ServedCase> {};

TEST_P(UpdateCheckServed, AnswersAsExpected) {
    const ServedCase& c = GetParam();
    LoopbackServer server(c.reply, c.behaviour);
    ASSERT_TRUE(server.Listening()) << server.Error();
    const CheckOutcome outcome = RunCheck(server.Url(), TK_HERE);
    if (c.opened) ExpectUpdate(outcome, c.opened);
    else ExpectNoUpdate(outcome);
    EXPECT_LT(outcome.elapsedMs, kHangGuardMs + 2000);
    EXPECT_EQ(1u, server.Requests().size());
}

using Behaviour = LoopbackServer::Behaviour;

INSTANTIATE_TEST_SUITE_P(
    Replies, UpdateCheckServed,
    ::testing::Values(
        ServedCase{"same_version", HttpReply(200, "0000019\nhttp://downloads.tavoline.test/setup.exe\n"),
                   Behaviour::Answer, nullptr},
        ServedCase{"newer_version", HttpReply(200, "0000020\nhttp://downloads.tavoline.test/setup.exe\n"),
                   Behaviour::Answer, L"http://downloads.tavoline.test/setup.exe"},
        ServedCase{"crlf_line_ends", HttpReply(200, "0000020\r\nhttps://downloads.tavoline.test/setup.exe\r\n"),
                   Behaviour::Answer, L"https://downloads.tavoline.test/setup.exe"},
        ServedCase{"long_line_1",
                   HttpReply(200, "0000021 spring release, see notes\nhttp://downloads.tavoline.test/s.exe\n"),
                   Behaviour::Answer, L"http://downloads.tavoline.test/s.exe"},
        ServedCase{"line_2_without_lf", HttpReply(200, "0000020\nhttp://downloads.tavoline.test/s.exe"),
                   Behaviour::Answer, L"http://downloads.tavoline.test/s.exe"},
        ServedCase{"no_lf", HttpReply(200, "0000020"), Behaviour::Answer, nullptr},
        ServedCase{"empty_reply", HttpReply(200, ""), Behaviour::Answer, nullptr},
        ServedCase{"closed_mid_reply", CutHttpReply("0000020\nhttp://downloads.tavoline.test/se", 60),
                   Behaviour::Answer, nullptr},
        ServedCase{"reset_mid_reply", CutHttpReply("0000020\nhttp://downloads.tavoline.test/se", 60),
                   Behaviour::ResetAfter, nullptr},
        ServedCase{"not_found_page", HttpReply(404, "0000020\nhttp://downloads.tavoline.test/setup.exe\n"),
                   Behaviour::Answer, nullptr},
        ServedCase{"error_page", HttpReply(200, "<html><body>Service unavailable</body></html>\n"), Behaviour::Answer,
                   nullptr},
        ServedCase{"short_line_1", HttpReply(200, "20\nhttp://downloads.tavoline.test/setup.exe\n"), Behaviour::Answer,
                   nullptr},
        ServedCase{"local_program", HttpReply(200, "0000020\nC:\\windows\\system32\\notepad.exe\n"), Behaviour::Answer,
                   nullptr},
        ServedCase{"unc_path", HttpReply(200, "0000020\n\\\\server\\share\\setup.exe\n"), Behaviour::Answer, nullptr},
        ServedCase{"silent_server", "", Behaviour::Silent, nullptr}),
    [](const ::testing::TestParamInfo<ServedCase>& info) { return std::string(info.param.name); });

TEST(UpdateCheck, ReturnsSilentlyWhenTheServerRefuses) {
    const CheckOutcome outcome =
        RunCheck(L"http://127.0.0.1:" + std::to_wstring(RefusedPort()) + L"/software/updates/tavo.txt", TK_HERE);
    ExpectNoUpdate(outcome);
}

}   // namespace
