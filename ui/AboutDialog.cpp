#include "ui/AboutDialog.h"

// No handlers of its own: OK (Enter), Cancel (Esc) and the close box end it.
CAboutDlg::CAboutDlg() : CDialog(IDD) {}
