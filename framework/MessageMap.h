// Message maps: macros that expand to one plain member function, an if-chain in declared order.
// Each entry calls a typed handler; a message no entry takes goes on to the base class's map
// and, at the bottom, to the window's default processing. There is no table or registry behind it.
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()
//       ON_BN_CLICKED(IDC_GO, &CMyDlg::OnGo)
//       ON_MESSAGE(WM_MY_MESSAGE, &CMyDlg::OnMyMessage)
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

#define DECLARE_MESSAGE_MAP() \
protected:                    \
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                              \
    BOOL theClass::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) { \
        using ThisClass = theClass;                                                         \
        using TheBaseClass = baseClass;                                                     \
        static_cast<void>(sizeof(ThisClass));

#define END_MESSAGE_MAP()                                            \
    return TheBaseClass::OnWndMsg(message, wParam, lParam, pResult); \
    }

// void OnPaint()
#define ON_WM_PAINT()          \
    if (message == WM_PAINT) { \
        this->OnPaint();       \
        *pResult = 0;          \
        return TRUE;           \
    }

// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND()                                     \
    if (message == WM_SYSCOMMAND) {                            \
        this->OnSysCommand(static_cast<UINT>(wParam), lParam); \
        *pResult = 0;                                          \
        return TRUE;                                           \
    }

// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                                          \
    if (message == WM_QUERYDRAGICON) {                                 \
        *pResult = reinterpret_cast<LRESULT>(this->OnQueryDragIcon()); \
        return TRUE;                                                   \
    }

// void memberFxn() for a click on the button with the given ID
#define ON_BN_CLICKED(id, memberFxn)                                                       \
    if (message == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == BN_CLICKED) { \
        (this->*(memberFxn))();                                                            \
        *pResult = 0;                                                                      \
        return TRUE;                                                                       \
    }

// void memberFxn() for a command (menu, accelerator or button) with the given ID
#define ON_COMMAND(id, memberFxn)                          \
    if (message == WM_COMMAND && LOWORD(wParam) == (id)) { \
        (this->*(memberFxn))();                            \
        *pResult = 0;                                      \
        return TRUE;                                       \
    }

// LRESULT memberFxn(WPARAM, LPARAM) for any message, typically a private WM_USER + n one
#define ON_MESSAGE(msg, memberFxn)                       \
    if (message == (msg)) {                              \
        *pResult = (this->*(memberFxn))(wParam, lParam); \
        return TRUE;                                     \
    }
