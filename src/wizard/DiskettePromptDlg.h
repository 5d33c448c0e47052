#pragma once
// CDiskettePromptDlg: asks for the diskette that holds a file the setup program
// cannot find in its source directory (template IDD_DISKETTE_PROMPT). The user
// inserts the diskette, or types or browses to another location; OK is taken
// only when the file is found there, and Cancel refuses. It has no More button:
// the whole dialog is always shown.
#include "ui/ExpandingDialog.h"
#include "system/PathName.h"

#include <string>

class CDiskettePromptDlg : public CExpandingDialog {
public:
    // `missingFile`: the full path of the file looked for, in the source
    // directory; `disk`: the diskette that holds it, `label` its label (empty
    // when it has none). The request names the label (or else the number) and
    // the drive of the source directory.
    CDiskettePromptDlg(const CPathName& missingFile, int disk, std::string label, CWnd* parent = nullptr);

    // The directory where the file is looked for (IDC_LOCATION); after OK, the
    // one where it was found.
    std::string m_strLocation;
    int m_nDisk;
    std::string m_strLabel;
    CPathName m_missingFile;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(UINT id, UINT code, HWND control) override;
    // Ends with IDOK when the file is at the location; else flashes, beeps and stays.
    void OnOK() override;
    void OnBrowse();

private:
    // The missing file's name is in the directory m_strLocation names. A
    // location that is no usable directory (empty, too long, wildcards) holds nothing.
    BOOL IsFileAtLocation() const;
    // Makes static `id` tall enough for its whole text, moving the controls
    // below it down and growing the dialog with it.
    void FitTextHeight(int id);
};

// The wizard's answer when a file of diskette `disk` is missing: the prompt.
// TRUE with the directory where the file now is in `location`; FALSE when
// the user refused.
BOOL AskForDiskette(const CPathName& missingFile, int disk, const std::string& label, std::string& location);
