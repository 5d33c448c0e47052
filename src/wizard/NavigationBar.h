#pragma once
// The row of Back, Next and Cancel buttons under an interactive page: a child
// dialog of the page that widens the page to hold it and hands its buttons to
// the page. It deletes itself when its window is destroyed.
#include "fw/Dialog.h"

class CSetupPage;

// Puts `bar` under the client area of `page`, centred, and grows the page to
// hold it: the page keeps its left and top, takes the wider of the two
// widths, and gains the bar's height.
void PlaceNavigationBar(HWND page, HWND bar);

class CNavigationBar : public CDialog {
public:
    explicit CNavigationBar(CSetupPage& page) noexcept;

    void EnableNext(BOOL enable) const;
    void EnableBack(BOOL enable) const;

protected:
    // Sits below the page's former client area, centred, and the page grows
    // by the bar's height; Back and Next enabled where the page leads somewhere.
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code, HWND control) override;
    void PostNcDestroy() override;

private:
    CSetupPage& m_page;
};
