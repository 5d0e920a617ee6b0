// Bounded waits that keep the calling thread's windows alive (messages are pumped meanwhile).
#pragma once

#include <windows.h>

#include <functional>

namespace testkit {
// Polls condition about every 10 ms until it holds (true) or timeoutMs has passed (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// Handles this thread's messages for the given time.
void PumpMessagesFor(DWORD ms);
// Waits for a handle to be signalled, pumping messages; false when the time is up.
bool WaitForHandle(HANDLE handle, DWORD timeoutMs);
}   // namespace testkit
