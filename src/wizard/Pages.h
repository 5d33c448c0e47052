#pragma once
// The pages of the wizard. Installation: welcome 102, reading the profile 114,
// install conditions 1537 (passed over), destination 104, program group 106,
// copying 108, registering 1549, then finished 115, restart 1558 or failed 116.
// Removal: confirmation 1545, reading the install log 114, removing files
// 1546, unregistering 1550, removed 1547.
#include "engine/InstallHost.h"
#include "ui/Gauge.h"
#include "wizard/SetupPage.h"

#include <cstdint>
#include <string>

class CInstallFile;
class CPathName;

class CWelcomePage : public CSetupPage {
public:
    explicit CWelcomePage(CWizard& wizard);
};

// Reads the setup profile (or, when removing, the install log) into the
// install model; shown once, passed over by Back and Next afterwards.
class CReadProfilePage : public CSetupPage {
public:
    explicit CReadProfilePage(CWizard& wizard);
    BOOL ShouldShow() override;
    int Step() override;
};

// The requirements the computer must meet. This product has none, so the page
// is always passed over; shown, it leads to the failure page unless the
// command line said to ignore the conditions.
class CConditionsPage : public CSetupPage {
public:
    explicit CConditionsPage(CWizard& wizard);
    BOOL ShouldShow() override;
    virtual BOOL ConditionsMet();

    std::string m_strRequirements;  // the unmet requirements, control IDC_REQUIREMENTS

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
};

// The destination directory: proposed on the first fixed disk, created with
// all its levels on Next.
class CDirectoryPage : public CSetupPage {
public:
    explicit CDirectoryPage(CWizard& wizard);
    void OnOK() override;

    std::string m_strLocation;  // control IDC_LOCATION

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code, HWND control) override;
    void DoDataExchange(CDataExchange* dx) override;

private:
    void OnBrowse();
};

// The program group: a new one by name (without blanks around it), or one of
// Program Manager's groups; no name at all stands for the product's own.
class CGroupPage : public CSetupPage {
public:
    explicit CGroupPage(CWizard& wizard);
    void OnOK() override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code, HWND control) override;

private:
    void CheckRadio(int id) const;
    void OnExistingGroupClicked() const;
    // The group name the page stands for now.
    std::string ChosenGroupName() const;

    HWND m_hGroupList = nullptr;  // control IDC_GROUP_LIST
};

// Copies the product's files with a gauge: runs the copy step (CCopyStep)
// and is its host. Cancel only asks for the copy to stop; the progress, which
// the copy step reports while a file is installed, asks the question.
class CCopyPage : public CSetupPage, public IInstallHost {
public:
    explicit CCopyPage(CWizard& wizard);
    int Step() override;
    void OnCancel() override;

    // The diskette prompt, the current file shown behind it; refused once
    // the session has ended.
    BOOL LocateDisketteFile(const CPathName& missingFile, int disk, std::string& location) override;
    // The item's name in control IDC_SOURCE_FILE, drawn at once.
    void ItemBegun(const std::string& name) override;
    void FileBegun(const CInstallFile& file) override;
    // Lets waiting messages through (when due, see PumpMessagesIfDue), asks
    // about a pending cancel request (Yes stops the file being expanded and
    // fails the run; so does the end of the session, without a question),
    // and shows the bytes done and the file's destination
    // (an unattended run's page, 0 by 0, only when the messages were let
    // through, or before it waits on a question).
    BOOL FileProgress(const CInstallFile& file, std::uint32_t bytesDone) override;
    void FileEnded() noexcept override;
    BOOL LetMessagesThrough(BOOL onlyWhenDue) override;
    // The report "Cannot install files from" with Continue and Cancel;
    // Cancel without a report once the session has ended.
    BOOL ContinueAfterError(const CException& e, const std::string& path) override;

    CGauge m_gauge{0, 99, 0};
    BOOL m_bCancelRequested = FALSE;

protected:
    BOOL OnInitDialog() override;

private:
    // Puts the current file's destination into control IDC_DESTINATION_FILE
    // unless it is there already.
    void ShowCurrentFile();

    const CInstallFile* m_pCurrentFile = nullptr;  // the file being installed; not owned
    std::string m_strShownFile;  // the destination file the page shows
    HWND m_hShownFile = nullptr;  // its control, looked up once
};

// The finish step: registers the program's App Paths entry and the removal
// entry, starts the installed program after a successful run, and chooses
// the final page.
class CRegisterPage : public CSetupPage {
public:
    explicit CRegisterPage(CWizard& wizard);
    int Step() override;
};

class CFinishedPage : public CSetupPage {
public:
    explicit CFinishedPage(CWizard& wizard);
};

// Files in use are replaced at the next start of Windows: restart now
// (IDC_RESTART) or finish without restarting (IDC_FINISH_NO_RESTART, OK,
// Cancel, Escape).
class CRestartPage : public CSetupPage {
public:
    explicit CRestartPage(CWizard& wizard);

protected:
    BOOL OnCommand(UINT id, UINT code, HWND control) override;

private:
    void OnRestart();
};

class CFailedPage : public CSetupPage {
public:
    explicit CFailedPage(CWizard& wizard);
};

// The removal's first page; Cancel leaves without a question.
class CRemoveConfirmPage : public CSetupPage {
public:
    explicit CRemoveConfirmPage(CWizard& wizard);
    BOOL ConfirmCancel() override;
};

// Removes the recorded installation (CUninstaller), showing each file.
class CRemoveFilesPage : public CSetupPage {
public:
    explicit CRemoveFilesPage(CWizard& wizard);
    int Step() override;
    // Lets waiting messages through (Escape reaches the page), then shows the
    // file about to be removed; FALSE, to stop the removal, when the session
    // has ended meanwhile.
    BOOL ShowRemovalProgress(const CPathName& path);
};

// Removes the App Paths and removal entries of the product.
class CUnregisterPage : public CSetupPage {
public:
    explicit CUnregisterPage(CWizard& wizard);
    int Step() override;
};

class CRemovedPage : public CSetupPage {
public:
    explicit CRemovedPage(CWizard& wizard);
};
