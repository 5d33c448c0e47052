// The application's entry points: no exception leaves the pump, the message
// loop or AfxWinMain, and the run still ends with its exit code.
#include "fw/App.h"

#include <functional>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr UINT kThrowingMessage = WM_APP + 1;

class CGuardedApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        if (onInit)
            onInit();
        return TRUE;
    }
    int ExitInstance() override
    {
        exited = true;
        if (onExit)
            onExit();
        return CWinApp::ExitInstance();
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == kThrowingMessage)
            throw 42;
        return CWinApp::PreTranslateMessage(msg);
    }
    LRESULT ProcessWndProcException(const CException& e, const MSG* msg) override
    {
        reports.push_back(e.GetRuntimeClassName());
        messages.push_back(msg ? msg->message : ~0u);
        return 0;
    }

    std::function<void()> onInit;
    std::function<void()> onExit;
    bool exited = false;
    std::vector<std::string> reports;
    std::vector<UINT> messages;
};

TEST(AppGuardTest, PumpReportsAnUnknownExceptionAndPassesTheQuitOn)
{
    CGuardedApp app;
    ::PostThreadMessageA(::GetCurrentThreadId(), kThrowingMessage, 0, 0);
    ::PostQuitMessage(3);
    ::PostThreadMessageA(::GetCurrentThreadId(), kThrowingMessage, 0, 0);
    AfxPumpMessages();
    EXPECT_EQ(std::vector<std::string>(2, "CException"), app.reports);
    EXPECT_EQ(std::vector<UINT>(2, kThrowingMessage), app.messages);
    EXPECT_EQ(3, app.Run());
}

TEST(AppGuardTest, FailedStartUpIsReportedAndStillExits)
{
    CGuardedApp app;
    app.onInit = [] { throw std::bad_alloc(); };
    EXPECT_EQ(kExitFailure, AfxWinMain(nullptr, "", SW_SHOWNORMAL));
    EXPECT_TRUE(app.exited);
    EXPECT_EQ(std::vector<std::string>{"CMemoryException"}, app.reports);
    EXPECT_EQ(std::vector<UINT>{0}, app.messages);
}

TEST(AppGuardTest, FailedExitIsReportedWithAFailureCode)
{
    CGuardedApp app;
    app.onExit = [] { throw 42; };
    ::PostQuitMessage(0);
    EXPECT_EQ(kExitFailure, AfxWinMain(nullptr, "", SW_SHOWNORMAL));
    EXPECT_EQ(std::vector<std::string>{"CException"}, app.reports);
}

} // namespace
