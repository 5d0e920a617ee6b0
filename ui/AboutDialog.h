// CAboutDlg: the About box, naming the product and its version.
#pragma once

#include "framework/CDialog.h"
#include "res/resource.h"

class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };

    CAboutDlg();
};
