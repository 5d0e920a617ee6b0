// CButton: a push button bound to a dialog control; the program only clicks and labels it
// through CWnd, so the class adds nothing but its name.
#pragma once

#include "CWnd.h"

class CButton : public CWnd {};
