#include "wizard/Wizard.h"

#include "ui/MainWnd.h"
#include "wizard/SetupPage.h"

CWizard::~CWizard()
{
    DestroyAllPages();
}

CSetupPage* CWizard::FindPage(int id) const
{
    const auto found = m_pages.find(id);
    return found == m_pages.end() ? nullptr : found->second.get();
}

void CWizard::ShowPage(int id, BOOL back)
{
    if (id == kEndOfSetup) {
        m_background.DestroyWindow();
        return;
    }
    CSetupPage* const previous = m_pCurrentPage;
    const int previousId = previous ? previous->m_nPageId : kNoPage;

    CSetupPage* page = nullptr;
    for (;;) {
        page = FindPage(id);
        if (!page) {
            std::unique_ptr<CSetupPage> made = m_makePage(*this, id);
            if (made) {
                page = made.get();
                m_pages[id] = std::move(made);
            }
        }
        if (!page)
            AfxThrowResourceException();
        if (page->ShouldShow())
            break;
        id = back ? page->m_nPrevId : page->m_nNextId;
    }
    if (!back && page->m_nPrevId == kNoPage)
        page->m_nPrevId = previousId;

    m_pCurrentPage = page;
    if (page->m_hWnd) {
        page->ShowWindow(SW_SHOW);
    } else {
        if (!page->CreatePageWindow()) {
            m_pCurrentPage = previous;
            AfxThrowResourceException();
        }
        page->UpdateWindow();
    }
    if (previous && previous != page) {
        previous->m_bVisited = TRUE;
        previous->ShowWindow(SW_HIDE);
    }
}

void CWizard::DestroyAllPages() noexcept
{
    m_pCurrentPage = nullptr;
    // Deleting a page destroys its window; the map is emptied first so that
    // nothing running during the destruction finds a page half gone.
    auto pages = std::move(m_pages);
    m_pages.clear();
    pages.clear();
}

BOOL CWizard::IsOnFinalPage() const noexcept
{
    return m_pCurrentPage && m_pCurrentPage->m_nNextId == kEndOfSetup;
}

void CWizard::Forget(const CSetupPage* page) noexcept
{
    if (m_pCurrentPage == page)
        m_pCurrentPage = nullptr;
}
