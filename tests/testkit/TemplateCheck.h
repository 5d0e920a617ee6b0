// Dialog templates as the executable carries them, and as the dialogs show them on screen.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum class Kind { PushButton, Static, GroupBox, Progress };

// One control as a template table gives it.
struct ExpectedControl {
    int id;   // -1 for static texts and group boxes
    Kind kind;
    const wchar_t* text;
    RECT dialogUnits;       // x, y, width, height
    DWORD extraStyle = 0;   // beyond the kind's usual styles
};

// A DIALOGEX resource of this program, read from its resources.
struct TemplateItem {
    int id;
    std::wstring className;   // "Button", "Static" or the class named in the template
    std::wstring text;
    RECT dialogUnits;
    DWORD style;
    DWORD exStyle;
};

struct DialogTemplate {
    bool found = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    SIZE size = {};
    std::wstring caption;
    int pointSize = 0;
    std::wstring typeface;
    std::vector<TemplateItem> items;
};

DialogTemplate ReadDialogTemplate(UINT id);

// One line per control: "id class "text" x,y,w,h style=0x... ex=0x...".
std::vector<std::string> DescribeTemplateItems(const DialogTemplate& dialog);
std::vector<std::string> DescribeExpectedAsTemplate(const std::vector<ExpectedControl>& expected);

// One line per control on screen, in Z (= template, = tab) order: "id "text" x,y,w,h" with the
// rectangle converted back to dialog units.
std::vector<std::string> DescribeControlsOnScreen(HWND dialog, const std::vector<HWND>& controls);
std::vector<std::string> DescribeExpectedOnScreen(const std::vector<ExpectedControl>& expected);
// The dialog's client size in dialog units.
SIZE ClientSizeInDialogUnits(HWND dialog);
