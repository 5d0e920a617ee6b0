// Running the main window for the unzip tests: a picker that answers without the system dialog,
// a recorder of the job messages the window receives, and a table to check their order against.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "Testkit.h"
#include "UnzipTexts.h"

namespace unziptest {

// While it lives, the file picker answers with `path` (IDOK) or, for an empty path, as if the
// user had cancelled. It records what the picker was configured with.
class PickerStub {
public:
    explicit PickerStub(std::wstring path);
    PickerStub(const PickerStub&) = delete;
    PickerStub& operator=(const PickerStub&) = delete;
    ~PickerStub();

    void Answer(std::wstring path);
    struct Shown {
        std::wstring title;
        std::wstring filter;   // "\0" separators shown as "|"
        DWORD flags;
    };
    std::vector<Shown> ShownPickers() const;
};

// A job message as the main window took it from its queue, with its bar as it was just before.
struct SeenMessage {
    UINT message;
    int barPos;
    int barHigh;
    int order;   // position in the run's shared event order (see JobMessageRecorder::Mark)
};

// Records WM_JOB_* messages taken by windows of the thread that constructs it (the UI thread).
class JobMessageRecorder {
public:
    JobMessageRecorder();
    JobMessageRecorder(const JobMessageRecorder&) = delete;
    JobMessageRecorder& operator=(const JobMessageRecorder&) = delete;
    ~JobMessageRecorder();

    std::vector<SeenMessage> Messages() const;
    // Puts a point into the same order as the messages (for "before"/"after" checks); returns its number.
    int Mark();

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook = nullptr;
    mutable std::mutex m_lock;
    std::vector<SeenMessage> m_seen;
    int m_order = 0;
};

// One row of an expected message table.
enum class Times { Once, Any };
struct Expect {
    UINT message;
    Times times;
};
// Empty when the messages follow the table, otherwise the whole sequence and where it went wrong.
std::string CheckSequence(const std::vector<SeenMessage>& seen, const std::vector<Expect>& table);
// The table of a job that ran to its end: START, the steps, DONE, and late steps the window ignores.
const std::vector<Expect>& CompleteJobTable();

// What the main window shows (read on the UI thread through the driver).
struct WindowState {
    std::wstring status;
    COLORREF statusColour = 0;
    int barPos = -1;
    int jobRunning = -1;
    int unzipSelected = -1;
    int zipSelected = -1;
    std::wstring selectedPath;
};
WindowState ReadWindowState(testkit::Driver& d, HWND main);
bool ShowsNothingSelected(const WindowState& state);   // red "No file or folder has been selected !", idle

// Waits for the main window, clicks "Select A File To Unzip" (a PickerStub answers), waits until the
// archive is selected and clicks "Unzip". Returns the main window.
HWND PickAndStartUnzip(testkit::Driver& d, testkit::Where where);

// Waits for an "Unzipper" box owned by main with this text, presses OK and waits for it to go.
void AnswerBox(testkit::Driver& d, HWND main, const wchar_t* text, testkit::Where where,
               DWORD timeoutMs = testkit::kDefaultWaitMs);
// Waits until the window is idle with nothing selected, then checks that no "Unzipper" box follows.
void WaitForIdleWithoutMoreBoxes(testkit::Driver& d, HWND main, testkit::Where where,
                                 DWORD timeoutMs = testkit::kDefaultWaitMs);

}   // namespace unziptest
