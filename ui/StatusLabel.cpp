#include "ui/StatusLabel.h"

#include "framework/CClientDC.h"
#include "framework/CPaintDC.h"
#include "framework/CRect.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

namespace {
const int kMaxShownChars = 80;
}

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
    POINT origin = {2, 2};
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
    m_statusLabel->Create(text, WS_CHILD | WS_VISIBLE | SS_WORDELLIPSIS, CRect(100, 10, 200, 30), this, IDC_STATUS_LABEL);
    m_statusLabel->SetFont(font, TRUE);
    // Erase the whole dialog: the old label's text may have run on past its own rectangle.
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}
