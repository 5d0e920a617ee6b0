#include "Driver.h"

#include <gtest/gtest.h>

#include "MessageBoxes.h"
#include "Text.h"
#include "Wait.h"

namespace testkit {

namespace {
const UINT kRunWork = WM_APP + 0x3F00;
const wchar_t kUiWindowClass[] = L"TavolineTestDriver";

// Thrown by Fail to leave the script; caught in the driver's thread.
struct ScriptAborted {};

struct UiWork {
    std::function<void()> work;
    std::string failure;   // what escaped the work, if anything
};
}   // namespace

Driver::Driver(Script script, DWORD limitMs) : m_script(std::move(script)), m_limitMs(limitMs) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &Driver::UiWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kUiWindowClass;
    ::RegisterClassW(&windowClass);   // fails harmlessly when already registered
    m_uiWindow = ::CreateWindowExW(0, kUiWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    m_finishing = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = ::CreateThread(nullptr, 0, &Driver::ThreadMain, this, 0, nullptr);
}

Driver::~Driver() {
    Finish();
    ::CloseHandle(m_thread);
    ::CloseHandle(m_finishing);
    if (m_uiWindow) ::DestroyWindow(m_uiWindow);
}

DWORD WINAPI Driver::ThreadMain(LPVOID self) {
    Driver& driver = *static_cast<Driver*>(self);
    bool aborted = false;
    try {
        driver.m_script(driver);
    } catch (const ScriptAborted&) {
        aborted = true;
    } catch (const std::exception& e) {
        driver.Record(std::string("the script threw: ") + e.what(), Where{__FILE__, __LINE__});
        aborted = true;
    } catch (...) {
        driver.Record("the script threw an exception", Where{__FILE__, __LINE__});
        aborted = true;
    }
    driver.AfterScript(aborted);
    return 0;
}

void Driver::AfterScript(bool aborted) {
    // A test thread still inside its dialog would wait forever: close what it shows until it comes out.
    if (!aborted && ::WaitForSingleObject(m_finishing, m_limitMs) == WAIT_OBJECT_0) return;
    if (!aborted)
        Record("the UI was still running " + std::to_string(m_limitMs) + " ms after the script ended:\n" +
                   DescribeWindowsOf(::GetCurrentProcessId()),
               Where{__FILE__, __LINE__});
    const ULONGLONG deadline = ::GetTickCount64() + m_limitMs;
    while (::WaitForSingleObject(m_finishing, 200) != WAIT_OBJECT_0 && ::GetTickCount64() < deadline)
        CloseWindowsOf(::GetCurrentProcessId());
}

void Driver::Finish() {
    if (m_finished) return;
    m_finished = true;
    ::SetEvent(m_finishing);
    if (!WaitForHandle(m_thread, 2 * m_limitMs + 5000)) {
        ADD_FAILURE() << "the test driver did not end";
        ::TerminateThread(m_thread, 1);
    }
    std::lock_guard<std::mutex> guard(m_lock);
    for (const Failure& failure : m_failures) ADD_FAILURE_AT(failure.file.c_str(), failure.line) << failure.message;
    m_failures.clear();
}

void Driver::Record(const std::string& message, Where where) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_failures.push_back(Failure{where.file, where.line, message});
}

void Driver::Check(bool condition, const std::string& message, Where where) {
    if (!condition) Record(message, where);
}

void Driver::Fail(const std::string& message, Where where) {
    Record(message, where);
    throw ScriptAborted();
}

HWND Driver::WaitForWindow(const WindowQuery& query, Where where, DWORD timeoutMs) {
    HWND found = testkit::WaitForWindow(query, timeoutMs);
    if (!found)
        Fail("expected " + query.Describe() + " within " + std::to_string(timeoutMs) + " ms; the process shows:\n" +
                 DescribeWindowsOf(query.pid),
             where);
    return found;
}

void Driver::WaitForGone(HWND hWnd, Where where, DWORD timeoutMs) {
    if (!testkit::WaitForGone(hWnd, timeoutMs))
        Fail("expected " + DescribeWindow(hWnd) + " to close within " + std::to_string(timeoutMs) + " ms", where);
}

void Driver::WaitFor(const std::function<bool()>& condition, const std::string& what, Where where, DWORD timeoutMs) {
    if (!WaitUntil(condition, timeoutMs))
        Fail("expected " + what + " within " + std::to_string(timeoutMs) + " ms", where);
}

void Driver::ClickButton(HWND dialog, int controlId, Where where) {
    if (!testkit::ClickButton(dialog, controlId))
        Fail("expected a button " + std::to_string(controlId) + " in " + DescribeWindow(dialog), where);
}

void Driver::OnUiThread(const std::function<void()>& work, Where where, DWORD timeoutMs) {
    // On the heap: if the UI thread is too busy to take it in time, it may still run it later.
    UiWork* item = new UiWork{work, std::string()};
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(m_uiWindow, kRunWork, 0, reinterpret_cast<LPARAM>(item), SMTO_NORMAL, timeoutMs,
                               &result))
        Fail("the UI thread did not take work within " + std::to_string(timeoutMs) + " ms", where);
    const std::string failure = item->failure;
    delete item;
    if (!failure.empty()) Fail("work on the UI thread failed: " + failure, where);
}

LRESULT CALLBACK Driver::UiWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunWork) return ::DefWindowProcW(hWnd, message, wParam, lParam);
    UiWork* item = reinterpret_cast<UiWork*>(lParam);
    try {
        item->work();
    } catch (const std::exception& e) {
        item->failure = e.what();
    } catch (...) {
        item->failure = "an exception";
    }
    return 1;
}

}   // namespace testkit
