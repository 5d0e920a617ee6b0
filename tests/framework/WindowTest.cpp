// CWnd's binding to windows it did not make, and CStatic's to the one it makes.
#include <gtest/gtest.h>

#include "Testkit.h"
#include "framework/CStatic.h"

namespace {

// Counts the paints its message map sees.
class CountingStatic : public CStatic {
public:
    int paints = 0;

protected:
    void OnPaint() {
        ++paints;
        Default();   // the static control still paints itself
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CountingStatic, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

// A top-level window to put the controls in.
struct Host {
    Host() {
        hWnd = ::CreateWindowExW(0, L"Static", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    ~Host() { ::DestroyWindow(hWnd); }
    HWND hWnd;
};

TEST(Window, ACreatedStaticRoutesItsMessagesThroughItsMapUntilItIsDestroyed) {
    Host host;
    CWnd parent;
    parent.Attach(host.hWnd);
    CountingStatic label;
    ASSERT_TRUE(label.Create(L"text", WS_CHILD | WS_VISIBLE, RECT{1, 2, 51, 22}, &parent, 77));
    HWND hWnd = label.m_hWnd;
    EXPECT_EQ(77, label.GetDlgCtrlID());
    EXPECT_EQ(&label, CWnd::FromHandlePermanent(hWnd));
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GE(label.paints, 1);
    CString text;
    label.GetWindowText(text);
    EXPECT_EQ(CString(L"text"), text);

    EXPECT_TRUE(label.DestroyWindow());
    EXPECT_EQ(nullptr, label.m_hWnd);
    EXPECT_FALSE(::IsWindow(hWnd));
    parent.Detach();
}

TEST(Window, AWindowOutlivingItsObjectGoesOnWorking) {
    Host host;
    CWnd parent;
    parent.Attach(host.hWnd);
    HWND hWnd = nullptr;
    {
        CountingStatic label;
        ASSERT_TRUE(label.Create(L"before", WS_CHILD | WS_VISIBLE, RECT{1, 2, 51, 22}, &parent, 78));
        hWnd = label.m_hWnd;
    }
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    ::SetWindowTextW(hWnd, L"after");
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(L"after", testkit::WindowText(hWnd));
    parent.Detach();
}

TEST(Window, AWindowIsSubclassedByOneObjectAtATime) {
    Host host;
    CWnd first, second;
    EXPECT_TRUE(first.SubclassWindow(host.hWnd));
    EXPECT_FALSE(second.SubclassWindow(host.hWnd));
    EXPECT_EQ(host.hWnd, first.Detach());
    EXPECT_TRUE(second.SubclassWindow(host.hWnd));
    second.Detach();
}

}   // namespace
