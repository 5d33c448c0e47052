// Windows of the framework: no exception crosses a window procedure, and the
// main window's end ends the message loop.
#include "fw/FrameWnd.h"
#include "fw/Gdi.h"
#include "fw/Wnd.h"

#include <functional>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Report {
    std::string className;
    UINT message;
};

// Records what reaches the application's report hook.
class CRecordingApp : public CWinApp {
public:
    LRESULT ProcessWndProcException(const CException& e, const MSG* msg) override
    {
        reports.push_back({e.GetRuntimeClassName(), msg ? msg->message : 0});
        return kAnswer;
    }
    static constexpr LRESULT kAnswer = 7;
    std::vector<Report> reports;
};

class CTestWnd : public CWnd {
public:
    std::function<void()> onCommand;
    std::function<void()> onPaint;
    std::function<void()> onCreate;

    BOOL CreatePopup()
    {
        return CreateEx(0, AfxDefaultWndClass().c_str(), "Test", WS_POPUP | WS_VISIBLE, 0, 0, 80, 60, nullptr,
                        nullptr);
    }

protected:
    BOOL OnCommand(UINT, UINT, HWND) override
    {
        if (onCommand)
            onCommand();
        return TRUE;
    }
    void OnPaint() override
    {
        if (onPaint)
            onPaint();
        CPaintDC dc(m_hWnd);
    }
    int OnCreate(CREATESTRUCTA* cs) override
    {
        if (onCreate)
            onCreate();
        return CWnd::OnCreate(cs);
    }
};

class WndProcExceptionTest : public ::testing::Test {
protected:
    CRecordingApp app;
    CTestWnd wnd;
};

TEST_F(WndProcExceptionTest, CommandHandlerExceptionReachesTheReportHook)
{
    ASSERT_TRUE(wnd.CreatePopup());
    wnd.onCommand = [] { throw CFileException(CFileException::diskFull); };
    EXPECT_EQ(CRecordingApp::kAnswer, ::SendMessageA(wnd.m_hWnd, WM_COMMAND, 5, 0));
    ASSERT_EQ(1u, app.reports.size());
    EXPECT_EQ("CFileException", app.reports[0].className);
    EXPECT_EQ(static_cast<UINT>(WM_COMMAND), app.reports[0].message);
    EXPECT_TRUE(::IsWindow(wnd.m_hWnd));
}

TEST_F(WndProcExceptionTest, OutOfMemoryIsReportedAsMemoryException)
{
    ASSERT_TRUE(wnd.CreatePopup());
    wnd.onCommand = [] { throw std::bad_alloc(); };
    ::SendMessageA(wnd.m_hWnd, WM_COMMAND, 5, 0);
    ASSERT_EQ(1u, app.reports.size());
    EXPECT_EQ("CMemoryException", app.reports[0].className);
}

TEST_F(WndProcExceptionTest, ExceptionOfNoFrameworkKindIsStillReported)
{
    ASSERT_TRUE(wnd.CreatePopup());
    wnd.onCommand = [] { throw 42; };
    ::SendMessageA(wnd.m_hWnd, WM_COMMAND, 5, 0);
    ASSERT_EQ(1u, app.reports.size());
    EXPECT_EQ("CException", app.reports[0].className);
}

TEST_F(WndProcExceptionTest, FailedPaintIsReportedOnceNotOnEveryRepaint)
{
    ASSERT_TRUE(wnd.CreatePopup());
    ::UpdateWindow(wnd.m_hWnd);
    wnd.onPaint = [] { throw CResourceException(); };
    ::InvalidateRect(wnd.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(wnd.m_hWnd);
    ASSERT_EQ(1u, app.reports.size());
    EXPECT_EQ(static_cast<UINT>(WM_PAINT), app.reports[0].message);
    EXPECT_FALSE(::GetUpdateRect(wnd.m_hWnd, nullptr, FALSE));
    ::UpdateWindow(wnd.m_hWnd);
    EXPECT_EQ(1u, app.reports.size());
}

TEST_F(WndProcExceptionTest, ExceptionWhileCreatingFailsTheCreation)
{
    wnd.onCreate = [] { throw CMemoryException(); };
    EXPECT_FALSE(wnd.CreatePopup());
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    ASSERT_EQ(1u, app.reports.size());
    EXPECT_EQ(static_cast<UINT>(WM_CREATE), app.reports[0].message);
}

bool QuitPosted()
{
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

TEST(MainWindowTest, DestroyingTheMainWindowEndsTheMessageLoop)
{
    CRecordingApp app;
    CTestWnd other;
    CTestWnd main;
    ASSERT_TRUE(other.CreatePopup());
    ASSERT_TRUE(main.CreatePopup());
    app.m_pMainWnd = &main;

    other.DestroyWindow();
    EXPECT_FALSE(QuitPosted());
    main.DestroyWindow();
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    EXPECT_EQ(nullptr, main.m_hWnd);
}

} // namespace
