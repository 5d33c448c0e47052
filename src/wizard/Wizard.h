#pragma once
// The wizard: every page of the run is a modeless dialog made from one
// template and known by that template's id. ShowPage moves from the current
// page to another one, creating it on first use, passing over pages that
// decline to be shown, and recording the way back on the first forward visit.
// Page -1 ends the run: the background window is destroyed. The wizard owns
// its pages and hands each the run's state.
#include "fw/Wnd.h"

#include <map>
#include <memory>

class CMainWnd;
class CRunState;
class CSetupPage;
class CWizard;

// Makes the page with `id` for `wizard`; null for an id the wizard does not know.
std::unique_ptr<CSetupPage> CreatePage(CWizard& wizard, int id);
using PageFactory = std::unique_ptr<CSetupPage> (*)(CWizard& wizard, int id);

class CWizard {
public:
    // `makePage` makes the pages: the program's table, or a test's.
    CWizard(CRunState& run, CMainWnd& background, PageFactory makePage = CreatePage) noexcept
        : m_run(run), m_background(background), m_makePage(makePage)
    {
    }
    ~CWizard();
    CWizard(const CWizard&) = delete;
    CWizard& operator=(const CWizard&) = delete;

    // Shows page `id` (or ends the run for -1); `back` for the Back button.
    // Throws the framework's resource exception for a page that cannot be made.
    void ShowPage(int id, BOOL back = FALSE);
    // The page made under `id`, or null.
    CSetupPage* FindPage(int id) const;
    // Deletes every page (with its window).
    void DestroyAllPages() noexcept;
    BOOL IsCurrent(const CSetupPage* page) const noexcept { return page == m_pCurrentPage; }
    // The current page is one that ends the run (115, 1558, 116, 1547).
    BOOL IsOnFinalPage() const noexcept;

    // A page's step runner, for as long as it runs (the step, its report,
    // the move it makes); steps that let messages through may run another
    // page's inside them.
    class CStepScope {
    public:
        explicit CStepScope(CWizard& wizard) noexcept : m_wizard(wizard) { ++m_wizard.m_nStepsUnderWay; }
        ~CStepScope() { --m_wizard.m_nStepsUnderWay; }
        CStepScope(const CStepScope&) = delete;
        CStepScope& operator=(const CStepScope&) = delete;

    private:
        CWizard& m_wizard;
    };
    int StepsUnderWay() const noexcept { return m_nStepsUnderWay; }
    // A page going away is no longer the current one.
    void Forget(const CSetupPage* page) noexcept;

    CRunState& GetRun() const noexcept { return m_run; }
    CMainWnd& GetBackground() const noexcept { return m_background; }

private:
    CRunState& m_run;
    CMainWnd& m_background;
    PageFactory m_makePage;
    // Every page made in this run, by id.
    std::map<int, std::unique_ptr<CSetupPage>> m_pages;
    CSetupPage* m_pCurrentPage = nullptr;
    int m_nStepsUnderWay = 0;
};

