// CProgressCtrl: a progress bar control (msctls_progress32) bound to a dialog control.
#pragma once

#include "CWnd.h"

class CProgressCtrl : public CWnd {
public:
    // The 16-bit range message: both ends travel in one LPARAM.
    void SetRange(short lower, short upper);
    void GetRange(int& lower, int& upper) const;
    // Returns the previous position.
    int SetPos(int pos);
    int GetPos() const;
};
