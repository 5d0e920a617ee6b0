// AStatic: the main window's status line. A static control that paints its text itself, in the
// colour it was created with; a new status replaces the whole control (CTAVODlg::ShowStatus).
#pragma once

#include "framework/CStatic.h"

// Nothing selected (an error) and something selected.
constexpr COLORREF kStatusErrorColour = RGB(200, 0, 0);
constexpr COLORREF kStatusSelectedColour = RGB(0, 155, 0);

class AStatic : public CStatic {
public:
    COLORREF m_textColour = 0;   // set before the window is created

    // What the label draws for its text: at most 80 characters, then "...." when cut.
    static CString DisplayText(const CString& text);

protected:
    void OnPaint();

    DECLARE_MESSAGE_MAP()
};
