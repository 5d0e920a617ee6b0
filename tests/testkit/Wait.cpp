#include "Wait.h"

namespace testkit {

namespace {
void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Sleeps until a message arrives, the handle is signalled or ms pass; true when the handle is.
bool Sleep(HANDLE handle, DWORD ms) {
    const DWORD count = handle ? 1 : 0;
    const DWORD result = ::MsgWaitForMultipleObjects(count, handle ? &handle : nullptr, FALSE, ms, QS_ALLINPUT);
    return handle && result == WAIT_OBJECT_0;
}
}   // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        PumpPending();
        if (condition()) return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return false;
        Sleep(nullptr, static_cast<DWORD>(deadline - now < 10 ? deadline - now : 10));
    }
}

void PumpMessagesFor(DWORD ms) {
    WaitUntil([] { return false; }, ms);
}

bool WaitForHandle(HANDLE handle, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        PumpPending();
        if (::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return false;
        if (Sleep(handle, static_cast<DWORD>(deadline - now))) return true;
    }
}

}   // namespace testkit
