// Reading and answering message boxes and dialogs by message, as a user would with the mouse.
#pragma once

#include <windows.h>

#include <string>

namespace testkit {
// The message of a box: its static 0xFFFF, else the first static control with text; empty for others.
std::wstring MessageBoxText(HWND box);
// Presses OK (posted, so a busy UI thread never blocks the caller).
void PressOk(HWND box);
// Presses Cancel, as Esc or the close box would.
void PressCancel(HWND dialog);
// Clicks the dialog's button controlId (posted BM_CLICK); false when there is no such control.
bool ClickButton(HWND dialog, int controlId);
}   // namespace testkit
