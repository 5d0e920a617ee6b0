#include "TemplateCheck.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "Text.h"

namespace {

std::string Rect(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    return text;
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// Reads the template's little-endian fields in order, keeping DWORD alignment where the format asks.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, const BYTE* start) : m_p(data), m_start(start) {}
    WORD Word() {
        WORD v;
        memcpy(&v, m_p, 2);
        m_p += 2;
        return v;
    }
    DWORD Dword() {
        DWORD v;
        memcpy(&v, m_p, 4);
        m_p += 4;
        return v;
    }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() { return *m_p++; }
    std::wstring String() {
        std::wstring text;
        for (WORD ch = Word(); ch; ch = Word()) text += static_cast<wchar_t>(ch);
        return text;
    }
    // A string or, after 0xFFFF, an ordinal (given back as "#n").
    std::wstring StringOrOrdinal() {
        WORD first;
        memcpy(&first, m_p, 2);
        if (first == 0xFFFF) {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        return String();
    }
    void Skip(size_t bytes) { m_p += bytes; }
    void AlignDword() {
        while ((m_p - m_start) % 4) ++m_p;
    }

private:
    const BYTE* m_p;
    const BYTE* m_start;
};

// The class as a name, spelt as the tables spell it (class names ignore case).
std::wstring ClassOfOrdinal(const std::wstring& cls) {
    if (cls == L"#128" || _wcsicmp(cls.c_str(), L"Button") == 0) return L"Button";
    if (cls == L"#130" || _wcsicmp(cls.c_str(), L"Static") == 0) return L"Static";
    if (_wcsicmp(cls.c_str(), PROGRESS_CLASSW) == 0) return PROGRESS_CLASSW;
    return cls;
}

const char* KindClass(Kind kind) {
    switch (kind) {
    case Kind::PushButton:
    case Kind::GroupBox: return "Button";
    case Kind::Static: return "Static";
    case Kind::Progress: return "msctls_progress32";
    }
    return "?";
}

DWORD KindStyle(Kind kind) {
    switch (kind) {
    case Kind::PushButton: return WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP;
    case Kind::Static: return WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP;
    case Kind::GroupBox: return WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
    case Kind::Progress: return WS_CHILD | WS_VISIBLE | WS_BORDER;
    }
    return 0;
}

// A pixel length converted back to dialog units: the one value that MapDialogRect maps onto it.
LONG ToUnits(HWND dialog, LONG pixels, bool horizontal) {
    for (LONG units = 0; units < 2000; ++units) {
        RECT probe = {0, 0, horizontal ? units : 0, horizontal ? 0 : units};
        ::MapDialogRect(dialog, &probe);
        if ((horizontal ? probe.right : probe.bottom) == pixels) return units;
    }
    return -pixels;   // no exact match: shows up as a negative number
}

}   // namespace

DialogTemplate ReadDialogTemplate(UINT id) {
    DialogTemplate dialog;
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));   // RT_DIALOG
    if (!resource) return dialog;
    const BYTE* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module, resource)));
    TemplateReader in(data, data);
    if (in.Word() != 1 || in.Word() != 0xFFFF) return dialog;   // DIALOGEX only
    dialog.found = true;
    in.Dword();   // help ID
    dialog.exStyle = in.Dword();
    dialog.style = in.Dword();
    const WORD count = in.Word();
    in.Short();
    in.Short();
    dialog.size.cx = in.Short();
    dialog.size.cy = in.Short();
    in.StringOrOrdinal();   // menu
    in.StringOrOrdinal();   // class
    dialog.caption = in.String();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = in.Word();
        in.Word();   // weight
        in.Byte();   // italic
        in.Byte();   // character set
        dialog.typeface = in.String();
    }
    for (WORD i = 0; i < count; ++i) {
        in.AlignDword();
        TemplateItem item;
        in.Dword();   // help ID
        item.exStyle = in.Dword();
        item.style = in.Dword();
        item.dialogUnits.left = in.Short();
        item.dialogUnits.top = in.Short();
        item.dialogUnits.right = in.Short();
        item.dialogUnits.bottom = in.Short();
        item.id = static_cast<int>(static_cast<short>(in.Dword()));
        item.className = ClassOfOrdinal(in.StringOrOrdinal());
        item.text = in.StringOrOrdinal();
        in.Skip(in.Word());   // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

std::vector<std::string> DescribeTemplateItems(const DialogTemplate& dialog) {
    std::vector<std::string> lines;
    for (const TemplateItem& item : dialog.items)
        lines.push_back(std::to_string(item.id) + " " + testkit::Narrow(item.className) + " \"" +
                        testkit::Narrow(item.text) + "\" " + Rect(item.dialogUnits) + " style=" + Hex(item.style) +
                        " ex=" + Hex(item.exStyle));
    return lines;
}

std::vector<std::string> DescribeExpectedAsTemplate(const std::vector<ExpectedControl>& expected) {
    std::vector<std::string> lines;
    for (const ExpectedControl& item : expected)
        lines.push_back(std::to_string(item.id) + " " + KindClass(item.kind) + " \"" + testkit::Narrow(item.text) +
                        "\" " + Rect(item.dialogUnits) + " style=" + Hex(KindStyle(item.kind) | item.extraStyle) +
                        " ex=" + Hex(0));
    return lines;
}

std::vector<std::string> DescribeControlsOnScreen(HWND dialog, const std::vector<HWND>& controls) {
    std::vector<std::string> lines;
    for (HWND control : controls) {
        RECT rect;
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        const RECT units = {ToUnits(dialog, rect.left, true), ToUnits(dialog, rect.top, false),
                            ToUnits(dialog, rect.right - rect.left, true),
                            ToUnits(dialog, rect.bottom - rect.top, false)};
        const int id = static_cast<short>(::GetDlgCtrlID(control));
        const bool visible = ::IsWindowVisible(control) != FALSE;
        lines.push_back(std::to_string(id) + " \"" + testkit::Narrow(testkit::WindowText(control)) + "\" " +
                        Rect(units) + (visible ? "" : " hidden"));
    }
    return lines;
}

std::vector<std::string> DescribeExpectedOnScreen(const std::vector<ExpectedControl>& expected) {
    std::vector<std::string> lines;
    for (const ExpectedControl& item : expected)
        lines.push_back(std::to_string(item.id) + " \"" + testkit::Narrow(item.text) + "\" " + Rect(item.dialogUnits));
    return lines;
}

SIZE ClientSizeInDialogUnits(HWND dialog) {
    RECT client;
    ::GetClientRect(dialog, &client);
    return SIZE{ToUnits(dialog, client.right, true), ToUnits(dialog, client.bottom, false)};
}
