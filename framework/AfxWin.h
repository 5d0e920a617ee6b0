// The whole framework in one include, for the program's sources.
#pragma once

#include "AfxBeginThread.h"
#include "CButton.h"
#include "CClientDC.h"
#include "CDialog.h"
#include "CMenu.h"
#include "CPaintDC.h"
#include "CProgressCtrl.h"
#include "CRect.h"
#include "CStatic.h"
#include "base/CString.h"
#include "CWinApp.h"
#include "CWnd.h"
#include "base/Exception.h"
