#include "MainWindowRun.h"

#include <windows.h>
#include <commctrl.h>

#include "pickers/FilePicker.h"
#include "res/resource.h"
#include "jobs/JobState.h"
#include "ui/StatusLabel.h"

namespace unziptest {

namespace {
std::mutex g_stubLock;
std::wstring g_stubAnswer;
std::vector<PickerStub::Shown> g_stubShown;
FilePickerRunner g_previousRunner = nullptr;

INT_PTR StubRunner(AFileDialog& dialog, CString& pathName) {
    const OPENFILENAMEW& ofn = dialog.GetOFN();
    std::wstring filter;
    for (const wchar_t* p = ofn.lpstrFilter; p && *p; p += wcslen(p) + 1) filter += std::wstring(p) + L"|";
    std::lock_guard<std::mutex> guard(g_stubLock);
    g_stubShown.push_back({ofn.lpstrTitle ? ofn.lpstrTitle : L"", filter, ofn.Flags});
    pathName = g_stubAnswer.c_str();
    return g_stubAnswer.empty() ? IDCANCEL : IDOK;
}

JobMessageRecorder* g_recorder = nullptr;

const char* MessageName(UINT message) {
    switch (message) {
    case WM_JOB_START: return "START";
    case WM_JOB_STEP: return "STEP";
    case WM_JOB_DONE: return "DONE";
    default: return "?";
    }
}
}   // namespace

PickerStub::PickerStub(std::wstring path) {
    std::lock_guard<std::mutex> guard(g_stubLock);
    g_stubAnswer = std::move(path);
    g_stubShown.clear();
    g_previousRunner = g_runFilePicker;
    g_runFilePicker = &StubRunner;
}

PickerStub::~PickerStub() {
    std::lock_guard<std::mutex> guard(g_stubLock);
    g_runFilePicker = g_previousRunner;
}

void PickerStub::Answer(std::wstring path) {
    std::lock_guard<std::mutex> guard(g_stubLock);
    g_stubAnswer = std::move(path);
}

std::vector<PickerStub::Shown> PickerStub::ShownPickers() const {
    std::lock_guard<std::mutex> guard(g_stubLock);
    return g_stubShown;
}

JobMessageRecorder::JobMessageRecorder() {
    g_recorder = this;
    m_hook = ::SetWindowsHookExW(WH_GETMESSAGE, &JobMessageRecorder::Hook, nullptr, ::GetCurrentThreadId());
}

JobMessageRecorder::~JobMessageRecorder() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
    g_recorder = nullptr;
}

LRESULT CALLBACK JobMessageRecorder::Hook(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && g_recorder && msg->message >= WM_JOB_STEP &&
        msg->message <= WM_JOB_START) {
        HWND bar = ::GetDlgItem(msg->hwnd, IDC_PROGRESS);
        const int pos = bar ? static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0)) : -1;
        const int high = bar ? static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0)) : -1;
        std::lock_guard<std::mutex> guard(g_recorder->m_lock);
        g_recorder->m_seen.push_back({msg->message, pos, high, g_recorder->m_order++});
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<SeenMessage> JobMessageRecorder::Messages() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_seen;
}

int JobMessageRecorder::Mark() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_order++;
}

std::string CheckSequence(const std::vector<SeenMessage>& seen, const std::vector<Expect>& table) {
    size_t at = 0;
    std::string problem;
    for (const Expect& row : table) {
        if (row.times == Times::Any) {
            while (at < seen.size() && seen[at].message == row.message) ++at;
        } else if (at < seen.size() && seen[at].message == row.message) {
            ++at;
        } else {
            problem = std::string("expected ") + MessageName(row.message) + " at " + std::to_string(at);
            break;
        }
    }
    if (problem.empty() && at != seen.size())
        problem = "unexpected " + std::string(MessageName(seen[at].message)) + " at " + std::to_string(at);
    if (problem.empty()) return problem;
    std::string sequence;
    for (const SeenMessage& m : seen)
        sequence += std::string(" ") + MessageName(m.message) + "(" + std::to_string(m.barPos) + ")";
    return problem + "; the window took:" + sequence;
}

const std::vector<Expect>& CompleteJobTable() {
    static const std::vector<Expect> table = {
        {WM_JOB_START, Times::Once},
        {WM_JOB_STEP, Times::Any},
        {WM_JOB_DONE, Times::Once},
        {WM_JOB_STEP, Times::Any},
    };
    return table;
}

WindowState ReadWindowState(testkit::Driver& d, HWND main) {
    WindowState state;
    d.OnUiThread(
        [&] {
            HWND label = ::GetDlgItem(main, IDC_STATUS_LABEL);
            state.status = testkit::WindowText(label);
            if (AStatic* object = dynamic_cast<AStatic*>(CWnd::FromHandlePermanent(label)))
                state.statusColour = object->m_textColour;
            state.barPos = static_cast<int>(::SendDlgItemMessageW(main, IDC_PROGRESS, PBM_GETPOS, 0, 0));
            state.jobRunning = g_jobRunning.load();
            state.unzipSelected = g_unzipSelected.load();
            state.zipSelected = g_zipSelected.load();
            state.selectedPath = g_selectedPath.Str();
        },
        TK_HERE);
    return state;
}

bool ShowsNothingSelected(const WindowState& state) {
    return state.status == L"No file or folder has been selected !" && state.statusColour == kStatusErrorColour &&
           state.jobRunning == 0 && state.unzipSelected == 0 && state.barPos == 0 && state.selectedPath.empty();
}

HWND PickAndStartUnzip(testkit::Driver& d, testkit::Where where) {
    HWND main = d.WaitForWindow(testkit::WindowQuery::Dialog(kMainCaption), where);
    d.ClickButton(main, IDC_SELECT_FILE_TO_UNZIP, where);
    d.WaitFor([&] { return ReadWindowState(d, main).unzipSelected == 1; }, "the archive selected", where);
    d.ClickButton(main, IDC_UNZIP, where);
    return main;
}

void AnswerBox(testkit::Driver& d, HWND main, const wchar_t* text, testkit::Where where, DWORD timeoutMs) {
    HWND box = d.WaitForWindow(testkit::WindowQuery::Dialog(kUnzipper).WithText(text).OwnedBy(main), where, timeoutMs);
    d.Check(testkit::MessageBoxText(box) == text,
            "the box reads \"" + testkit::Narrow(testkit::MessageBoxText(box)) + "\"", where);
    testkit::PressOk(box);
    d.WaitForGone(box, where);
}

void WaitForIdleWithoutMoreBoxes(testkit::Driver& d, HWND main, testkit::Where where, DWORD timeoutMs) {
    d.WaitFor([&] { return ShowsNothingSelected(ReadWindowState(d, main)); },
              "the main window idle with nothing selected", where, timeoutMs);
    testkit::PumpMessagesFor(200);
    HWND extra = testkit::FindWindowNow(testkit::WindowQuery::Dialog(kUnzipper));
    if (extra) d.Fail("an unexpected box: " + testkit::Narrow(testkit::MessageBoxText(extra)), where);
}

}   // namespace unziptest
