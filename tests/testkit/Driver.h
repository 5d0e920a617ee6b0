// Driver: plays the user while the test thread shows real dialogs.
//
//   testkit::Driver driver([&](testkit::Driver& d) {
//       HWND main = d.WaitForWindow(testkit::WindowQuery::Dialog(L"Tavoline 1.0"), TK_HERE);
//       d.ClickButton(main, IDC_MORE, TK_HERE);
//       ...
//       testkit::PressCancel(main);
//   });
//   dialog.DoModal();   // on the test thread, while the script runs on the driver's thread
//   driver.Finish();    // the script's failures become test failures at the lines that found them
//
// The script must not use GoogleTest assertions (they are not thread-safe here): it checks with
// Check/Fail and hands values to the test thread, which asserts on them after Finish.
// A script that fails, or ends while the UI is still up, gets this process's windows closed
// so that the dialog returns and the test ends instead of hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Where.h"
#include "Windows.h"

namespace testkit {

class Driver {
public:
    using Script = std::function<void(Driver&)>;

    // Construct on the thread that shows the UI; the script starts at once on a thread of its own.
    explicit Driver(Script script, DWORD limitMs = 30000);
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;
    ~Driver();

    // Waits for the script's end (pumping messages), then reports its failures. Called by the destructor too.
    void Finish();

    // For the script:
    HWND WaitForWindow(const WindowQuery& query, Where where, DWORD timeoutMs = kDefaultWaitMs);
    void WaitForGone(HWND hWnd, Where where, DWORD timeoutMs = kDefaultWaitMs);
    void WaitFor(const std::function<bool()>& condition, const std::string& what, Where where,
                 DWORD timeoutMs = kDefaultWaitMs);
    void ClickButton(HWND dialog, int controlId, Where where);
    // Records a failure and goes on.
    void Check(bool condition, const std::string& message, Where where);
    // Records a failure and ends the script.
    [[noreturn]] void Fail(const std::string& message, Where where);
    // Runs work on the UI thread (between its messages) and waits for it to finish.
    void OnUiThread(const std::function<void()>& work, Where where, DWORD timeoutMs = kDefaultWaitMs);

private:
    struct Failure {
        std::string file;
        int line;
        std::string message;
    };
    static DWORD WINAPI ThreadMain(LPVOID self);
    static LRESULT CALLBACK UiWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Record(const std::string& message, Where where);
    void AfterScript(bool aborted);

    Script m_script;
    DWORD m_limitMs;
    HWND m_uiWindow = nullptr;   // message-only window of the UI thread, for OnUiThread
    HANDLE m_thread = nullptr;
    HANDLE m_finishing = nullptr;   // set when the test thread has reached Finish
    std::mutex m_lock;
    std::vector<Failure> m_failures;
    bool m_finished = false;
};

}   // namespace testkit
