#pragma once
// The file-open and file-save common dialogs (GetOpenFileNameA,
// GetSaveFileNameA) as dialog objects. A hook procedure is always installed
// (OFN_ENABLEHOOK), so the dialog's messages reach OnMessage like those of any
// CDialog, with the common dialog's own processing as the default: OnOK and
// OnCancel leave the button to it. The old-style (non-explorer) dialog also
// reports a new selection in its lists (OnLBSelChangedNotify). No exception
// leaves the hook.
//
// With OFN_ENABLETEMPLATE and a template of the program's own (m_ofn's
// lpTemplateName), the dialog keeps the caption of its template unless
// lpstrTitle names another.
#include "fw/Dialog.h"

#include <commdlg.h>

#include <string>

class CFileDialog : public CDialog {
public:
    // `filter`: pairs of description and pattern, each ended by "|", the list
    // ended by another "|" ("Text (*.txt)|*.txt||"). Null texts leave the
    // structure's fields empty.
    CFileDialog(BOOL openFileDialog, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);

    // Runs the common dialog: IDOK when it ended with a file name (in
    // m_ofn.lpstrFile), else IDCANCEL.
    INT_PTR DoModal() override;

    // Filled by the constructor; the caller may change it before DoModal.
    OPENFILENAMEA m_ofn;

protected:
    // The common dialog's own initialisation has run; its controls are filled.
    BOOL OnInitDialog() override;
    // Leave OK and Cancel to the common dialog (it validates and ends itself).
    void OnOK() override;
    void OnCancel() override;
    // The selection of list or combo box `id` changed to item `index`
    // (`code` is CD_LBSELCHANGE and the like). Default: nothing.
    virtual void OnLBSelChangedNotify(UINT id, UINT index, UINT code);

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static UINT_PTR CALLBACK HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    BOOL m_bOpenFileDialog;
    std::string m_strFilter;  // the filter with its "|" turned into NULs
    std::string m_strTitle;   // the template's caption, when kept
    char m_szFileName[MAX_PATH] = {};
};
