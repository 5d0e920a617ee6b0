#include "MessageBoxes.h"

#include "Text.h"
#include "Windows.h"

namespace testkit {

std::wstring MessageBoxText(HWND box) {
    if (HWND text = ::GetDlgItem(box, 0xFFFF)) return WindowText(text);
    for (HWND child : ChildWindows(box)) {
        if (ClassName(child) != L"Static") continue;
        std::wstring text = WindowText(child);
        if (!text.empty()) return text;
    }
    return std::wstring();
}

void PressOk(HWND box) {
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
}

void PressCancel(HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

bool ClickButton(HWND dialog, int controlId) {
    HWND button = ::GetDlgItem(dialog, controlId);
    if (!button) return false;
    ::PostMessageW(button, BM_CLICK, 0, 0);
    return true;
}

}   // namespace testkit
