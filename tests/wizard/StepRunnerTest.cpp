// The step runner of the wizard's pages, in the test program: an unattended
// run whose first page's step, or OnOK, throws something that is no
// framework exception. The report is answered by another thread through the
// window system; the run must then fail on the failure page, which ends it.
#include "engine/RunState.h"
#include "fw/App.h"
#include "fw/Strings.h"
#include "res/resource.h"
#include "support/UiProbe.h"
#include "ui/MainWnd.h"
#include "wizard/SetupPage.h"
#include "wizard/Wizard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using namespace ui_probe;

enum class Failure { stepThrowsStandard, stepThrowsInt, unattendedOnOkThrows };
Failure g_failure = Failure::stepThrowsStandard;

// The welcome page's place in the wizard, failing as the case asks.
class CFailingPage : public CSetupPage {
public:
    explicit CFailingPage(CWizard& wizard) : CSetupPage(wizard, IDD_WELCOME, IDD_READ_PROFILE) {}
    int Step() override
    {
        if (g_failure == Failure::stepThrowsStandard)
            throw std::runtime_error("no framework exception");
        if (g_failure == Failure::stepThrowsInt)
            throw 42;
        return kNoPage;
    }
    void OnOK() override { throw std::logic_error("no framework exception"); }
};

std::unique_ptr<CSetupPage> MakePage(CWizard& wizard, int id)
{
    if (id == IDD_WELCOME)
        return std::make_unique<CFailingPage>(wizard);
    return CreatePage(wizard, id);
}

bool ShowsText(HWND window, const std::string& text)
{
    for (HWND child : ChildWindows(window))
        if (WindowText(child) == text)
            return true;
    return false;
}

struct ReportSearch {
    std::string heading;
    HWND found = nullptr;
};

BOOL CALLBACK FindReport(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<ReportSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window) && ClassName(window) == "#32770" &&
        ShowsText(window, search->heading)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

TEST(StepRunnerTest, AnyExceptionOfAStepOrAnUnattendedOnOkIsReportedAndEndsOnTheFailurePage)
{
    for (Failure failure : {Failure::stepThrowsStandard, Failure::stepThrowsInt, Failure::unattendedOnOkThrows}) {
        SCOPED_TRACE(static_cast<int>(failure));
        g_failure = failure;
        CRunState run;
        run.m_bBatch = TRUE;
        CMainWnd background(run.m_strTitle, TRUE, run.m_bSuccess);
        ASSERT_TRUE(background.CreateBackground());
        const HWND backgroundWindow = background.m_hWnd;
        CWizard wizard(run, background, MakePage);

        // Answers the report with OK, once, and notes what it said.
        std::atomic<bool> done{false}, answered{false};
        std::atomic<int> reports{0};
        std::string title;
        std::thread answer([&] {
            WaitUntil([&] {
                if (done)
                    return true;
                ReportSearch search{AfxLoadString(IDS_SETUP_CANNOT_CONTINUE)};
                ::EnumWindows(FindReport, reinterpret_cast<LPARAM>(&search));
                if (search.found && reports == 0) {
                    title = ControlText(search.found, IDC_ERROR_TITLE);
                    if (ClickButton(search.found, IDOK))
                        ++reports;
                }
                return false;
            });
            answered = true;
        });
        // The messages go on being let through until the thread is done: it
        // may be asking this thread's windows for their texts.
        const auto pumpUntil = [](const std::function<bool()>& condition) {
            const DWORD start = ::GetTickCount();
            while (!condition() && ::GetTickCount() - start < kDefaultTimeoutMs) {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
                AfxPumpMessages();
            }
        };

        wizard.ShowPage(IDD_WELCOME);
        pumpUntil([&] { return !::IsWindow(backgroundWindow); });
        done = true;
        pumpUntil([&] { return answered.load(); });
        answer.join();

        EXPECT_FALSE(::IsWindow(backgroundWindow)) << "the failure page ended the unattended run";
        EXPECT_EQ(1, reports.load());
        EXPECT_EQ(AfxLoadString(IDS_ERR_UNKNOWN), title);
        EXPECT_FALSE(run.m_bSuccess);
        EXPECT_NE(nullptr, wizard.FindPage(IDD_FAILED)) << "the failure page was shown";
    }
}

} // namespace
