// The status line of the main window: one label, ID 2000, painting its own coloured text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "Testkit.h"
#include "res/resource.h"
#include "ui/MainDialog.h"
#include "ui/StatusLabel.h"

namespace {

using testkit::Driver;
using testkit::WindowQuery;

const wchar_t kNothingSelected[] = L"No file or folder has been selected !";

struct Label {
    int count = 0;   // windows with ID 2000
    HWND hWnd = nullptr;
    std::wstring className;
    std::wstring text;
    LONG style = 0;
    RECT rect = {};   // in the dialog's client coordinates
    COLORREF colour = 0;
    bool isStatusLabel = false;
};

// What the dialog shows as its status line (read on the UI thread).
Label ReadLabel(HWND main) {
    Label label;
    for (HWND child : testkit::ChildWindows(main)) {
        if (::GetDlgCtrlID(child) != IDC_STATUS_LABEL) continue;
        ++label.count;
        label.hWnd = child;
    }
    if (!label.hWnd) return label;
    label.className = testkit::ClassName(label.hWnd);
    label.text = testkit::WindowText(label.hWnd);
    label.style = ::GetWindowLongW(label.hWnd, GWL_STYLE);
    ::GetWindowRect(label.hWnd, &label.rect);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&label.rect), 2);
    if (AStatic* object = dynamic_cast<AStatic*>(CWnd::FromHandlePermanent(label.hWnd))) {
        label.isStatusLabel = true;
        label.colour = object->m_textColour;
    }
    return label;
}

// Columns of the dialog's client area that hold a pixel of the given colour along the status line.
struct Ink {
    int pixels = 0;
    int leftmost = -1;
    int rightmost = -1;
};

Ink InkOnStatusLine(HWND main, COLORREF colour) {
    ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Ink ink;
    HDC dc = ::GetDC(main);
    RECT client;
    ::GetClientRect(main, &client);
    for (int y = 10; y < 30; ++y)
        for (int x = 100; x < client.right; ++x)
            if (::GetPixel(dc, x, y) == colour) {
                ++ink.pixels;
                if (ink.leftmost < 0 || x < ink.leftmost) ink.leftmost = x;
                if (x > ink.rightmost) ink.rightmost = x;
            }
    ::ReleaseDC(main, dc);
    return ink;
}

// Width in pixels of text in the dialog's font.
int TextWidth(HWND main, const std::wstring& text) {
    HDC dc = ::GetDC(main);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(main, WM_GETFONT, 0, 0)));
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, previous);
    ::ReleaseDC(main, dc);
    return size.cx;
}

TEST(StatusLine, StartsWithNothingSelectedInRed) {
    Label label;
    Ink red;
    {
        CTAVODlg dialog;
        Driver driver([&](Driver& d) {
            HWND main = d.WaitForWindow(WindowQuery::Dialog(L"Tavoline 1.0"), TK_HERE);
            d.OnUiThread(
                [&] {
                    label = ReadLabel(main);
                    red = InkOnStatusLine(main, kStatusErrorColour);
                },
                TK_HERE);
            testkit::PressCancel(main);
        });
        dialog.DoModal();
        driver.Finish();
    }
    EXPECT_EQ(1, label.count);
    EXPECT_EQ(L"Static", label.className);
    EXPECT_EQ(kNothingSelected, label.text);
    EXPECT_EQ(0x5000C000, label.style);
    EXPECT_EQ(100, label.rect.left);
    EXPECT_EQ(10, label.rect.top);
    EXPECT_EQ(200, label.rect.right);
    EXPECT_EQ(30, label.rect.bottom);
    EXPECT_TRUE(label.isStatusLabel);
    EXPECT_EQ(RGB(200, 0, 0), label.colour);
    EXPECT_GT(red.pixels, 0) << "no red text on the status line";
}

// Shows the main window, lets work run on its UI thread, and closes it.
void WithMainWindow(const std::function<void(CTAVODlg&, HWND)>& work) {
    CTAVODlg dialog;
    Driver driver([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(L"Tavoline 1.0"), TK_HERE);
        d.OnUiThread([&] { work(dialog, main); }, TK_HERE);
        testkit::PressCancel(main);
    });
    dialog.DoModal();
    driver.Finish();
}

TEST(StatusLine, ANewStatusReplacesTheLabel) {
    Label first, second;
    bool firstGone = false;
    Ink red, green;
    WithMainWindow([&](CTAVODlg& dialog, HWND main) {
        first = ReadLabel(main);
        dialog.ShowStatus(L"One folder has been selected for zipping", 0);
        dialog.ShowStatus(L"One file has been selected for zipping", 0);
        second = ReadLabel(main);
        firstGone = !::IsWindow(first.hWnd);
        red = InkOnStatusLine(main, kStatusErrorColour);
        green = InkOnStatusLine(main, kStatusSelectedColour);
    });
    EXPECT_TRUE(firstGone) << "the first label's window is still there";
    EXPECT_EQ(1, second.count);
    EXPECT_EQ(L"One file has been selected for zipping", second.text);
    EXPECT_EQ(RGB(0, 155, 0), second.colour);
    EXPECT_EQ(0, red.pixels) << "the red text of the first status is still drawn";
    EXPECT_GT(green.pixels, 0);
}

TEST(StatusLine, LongTextRunsPastTheLabelButStopsAfter80Characters) {
    const std::wstring longText(120, L'l');   // narrow letters: even the whole text fits the dialog
    const std::wstring shown = longText.substr(0, 80) + L"....";
    Ink ink;
    int keptWidth = 0, shownWidth = 0, fullWidth = 0;
    WithMainWindow([&](CTAVODlg& dialog, HWND main) {
        dialog.ShowStatus(longText.c_str(), 1);
        ink = InkOnStatusLine(main, kStatusErrorColour);
        keptWidth = TextWidth(main, longText.substr(0, 80));
        shownWidth = TextWidth(main, shown);
        fullWidth = TextWidth(main, longText);
    });
    ASSERT_GT(ink.pixels, 0);
    EXPECT_GT(ink.rightmost, 200) << "the text was cut at the label's right edge";
    // The ink ends with the 80 characters kept and the dots after them (drawn from x = 102),
    // far before where all 120 would end.
    EXPECT_GE(ink.rightmost, 102 + keptWidth - 2);
    EXPECT_LE(ink.rightmost, 102 + shownWidth);
    EXPECT_LT(ink.rightmost, 102 + fullWidth - 40);
}

// The screen's DPI; TAVOLINE_TEST_DPI, when set, is the DPI the test run was given (tests/ui/run-at-dpi.sh).
int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

RECT ChildRect(HWND main, HWND child) {
    RECT rect = {};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The template's controls grow with the screen's DPI by themselves; the label, placed in pixels,
// must grow with them and keep its place between "File Selection :" and "MORE".
TEST(StatusLine, KeepsItsPlaceAmongTheTemplatesControlsAtTheScreensDpi) {
    const int dpi = ScreenDpi();
    if (const char* given = std::getenv("TAVOLINE_TEST_DPI")) {
        ASSERT_EQ(std::atoi(given), dpi) << "the run's DPI was not taken";
    }
    const std::wstring captionText = L"File Selection :";
    Label label;
    RECT caption = {}, more = {};
    // Template positions in dialog units: left, top, width, height.
    RECT captionUnits = {14, 7, 47, 12}, moreUnits = {247, 5, 65, 12};
    int captionTextWidth = 0;
    WithMainWindow([&](CTAVODlg&, HWND main) {
        label = ReadLabel(main);
        for (HWND child : testkit::ChildWindows(main))
            if (testkit::WindowText(child) == captionText) caption = ChildRect(main, child);
        more = ChildRect(main, ::GetDlgItem(main, IDC_MORE));
        ::MapDialogRect(main, &captionUnits);
        ::MapDialogRect(main, &moreUnits);
        captionTextWidth = TextWidth(main, captionText);
    });
    auto scaled = [dpi](int at96) { return ::MulDiv(at96, dpi, 96); };
    EXPECT_EQ(scaled(100), label.rect.left);
    EXPECT_EQ(scaled(10), label.rect.top);
    EXPECT_EQ(scaled(200), label.rect.right);
    EXPECT_EQ(scaled(30), label.rect.bottom);
    // The neighbours stand where their dialog units put them at this DPI ...
    EXPECT_EQ(captionUnits.left, caption.left);
    EXPECT_EQ(captionUnits.top, caption.top);
    EXPECT_EQ(moreUnits.left, more.left);
    // ... and the label between them as at 96 DPI: about a fifth of the way from the caption to
    // "MORE" (0.18 to 0.23 at 96 DPI, depending on the font's metrics), clear of "MORE", its text
    // (drawn 2 pixels in at 96 DPI) close after the caption's and on its line.
    const double along = double(label.rect.left - caption.left) / double(more.left - caption.left);
    EXPECT_GE(along, 0.15) << "the label has moved onto its caption";
    EXPECT_LE(along, 0.25) << "the label has moved away from its caption";
    EXPECT_LE(label.rect.right, more.left) << "the label runs into \"MORE\"";
    const int labelTextLeft = label.rect.left + scaled(2), labelTextTop = label.rect.top + scaled(2);
    const int captionTextRight = caption.left + captionTextWidth;
    EXPECT_LE(labelTextLeft - captionTextRight, scaled(16)) << "the status has drifted away from its caption";
    EXPECT_NEAR(caption.top, labelTextTop, scaled(3)) << "the status is not on the caption's line";
    std::printf("at %d DPI: caption text %ld..%d, top %ld; status text from %d, top %d; MORE from %ld\n", dpi,
                caption.left, captionTextRight, caption.top, labelTextLeft, labelTextTop, more.left);
}

TEST(StatusLine, DisplayTextKeepsAtMost80Characters) {
    const std::wstring eighty(80, L'x');
    EXPECT_EQ(CString(eighty.c_str()), AStatic::DisplayText(eighty.c_str()));
    EXPECT_EQ(CString((eighty + L"....").c_str()), AStatic::DisplayText((eighty + L"y").c_str()));
    EXPECT_EQ(CString(L""), AStatic::DisplayText(L""));
}

}   // namespace
