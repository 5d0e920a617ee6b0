#include "ui/StatusLabel.h"

#include "framework/CClientDC.h"
#include "framework/CPaintDC.h"
#include "framework/CRect.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

namespace {
const int kMaxShownChars = 80;
// The label's place, and where its text starts inside it, at 96 dots per inch: the DPI the
// dialog's template and font were laid out for.
const RECT kLabelRectAt96Dpi = {100, 10, 200, 30};
const int kTextInsetAt96Dpi = 2;

// The DPI the program draws at: the system's, as the program declares itself system DPI aware.
int DpiOf(HWND window) {
    HDC dc = ::GetDC(window);
    const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ::ReleaseDC(window, dc);
    return dpi;
}

int Scaled(int valueAt96Dpi, int dpi) { return ::MulDiv(valueAt96Dpi, dpi, 96); }

// The label's place on this dialog: in pixels, but scaled like the template around it, so that on a
// high-DPI screen it keeps its place beside "File Selection :" and "MORE". Its font is the
// dialog's own, which Windows already made at the screen's DPI.
CRect LabelRectFor(HWND dialog) {
    const int dpi = DpiOf(dialog);
    const RECT& at96 = kLabelRectAt96Dpi;
    return CRect(Scaled(at96.left, dpi), Scaled(at96.top, dpi), Scaled(at96.right, dpi), Scaled(at96.bottom, dpi));
}
}   // namespace

BEGIN_MESSAGE_MAP(AStatic, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CString AStatic::DisplayText(const CString& text) {
    return text.GetLength() > kMaxShownChars ? text.Left(kMaxShownChars) + L"...." : text;
}

void AStatic::OnPaint() {
    CPaintDC paint(this);
    CString text;
    GetWindowText(text);
    // Drawn through the dialog's device context from the label's corner: a long text runs on
    // past the label's right edge over the dialog instead of being cut at it.
    HWND dialog = ::GetParent(m_hWnd);
    const int inset = Scaled(kTextInsetAt96Dpi, DpiOf(dialog));
    POINT origin = {inset, inset};
    ::MapWindowPoints(m_hWnd, dialog, &origin, 1);
    CClientDC dc(dialog);
    dc.SetBkMode(TRANSPARENT);
    const HFONT previousFont = dc.SelectObject(GetFont());
    dc.SetTextColor(m_textColour);
    const CString shown = DisplayText(text);
    dc.TextOut(origin.x, origin.y, shown, shown.GetLength());
    dc.SelectObject(previousFont);
}

void CTAVODlg::ShowStatus(CString text, int isError) {
    const HFONT font = GetFont();
    if (m_statusLabel) {
        m_statusLabel->DestroyWindow();
        delete m_statusLabel;
        m_statusLabel = nullptr;
    }
    m_statusLabel = new AStatic;
    m_statusLabel->m_textColour = isError ? kStatusErrorColour : kStatusSelectedColour;
    m_statusLabel->Create(text, WS_CHILD | WS_VISIBLE | SS_WORDELLIPSIS, LabelRectFor(m_hWnd), this, IDC_STATUS_LABEL);
    m_statusLabel->SetFont(font, TRUE);
    // Erase the whole dialog: the old label's text may have run on past its own rectangle.
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}
