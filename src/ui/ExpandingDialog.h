#pragma once
#include "fw/Dialog.h"

// A modal dialog that opens collapsed to the bottom-right corner of its hidden
// corner control (IDC_ERROR_CORNER) and grows to its full size with the More
// button (IDC_ERROR_MORE). Controls outside the collapsed area are disabled
// while it is collapsed, so they cannot take the focus.
class CExpandingDialog : public CDialog {
public:
    explicit CExpandingDialog(UINT templateId, CWnd* parent = nullptr) noexcept : CDialog(templateId, parent) {}

    // Collapses the full dialog or restores its full size.
    void Toggle();
    BOOL IsExpanded() const noexcept { return m_bExpanded; }

protected:
    // The dialog's initialisation, then its full size noted and collapsed.
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code, HWND control) override;
    // Toggle, and the button's ">>" becomes "<<" while expanded.
    virtual void OnMore();

    BOOL m_bExpanded = TRUE;
    RECT m_rcFull{};  // the full window rectangle, screen coordinates
};
