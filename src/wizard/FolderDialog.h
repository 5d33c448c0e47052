#pragma once
// CFolderDialog: the folder browser of the destination page, an old-style
// file-save common dialog with the program's template IDD_FOLDER ("Change
// Folder"). The user picks a folder in its folder and drive lists (or types
// one when the path box is shown); Browse hands the chosen path back. Problems
// are told in message boxes owned by the dialog; nothing throws out of it.
#include "fw/FileDialog.h"

#include <string>

class CFolderDialog : public CFileDialog {
public:
    explicit CFolderDialog(CWnd* parent = nullptr);

    // Lets the user pick a directory, starting at the deepest level of `path`
    // that exists (the Windows directory when not even the root of its drive
    // can be entered). On OK the chosen path replaces `path` and the answer is
    // TRUE. An empty `path` is refused with a message.
    //  validate:    OK needs an existing directory, or one that can be made;
    //  showEditBox: the path is an edit box the user may type in, else a text;
    //  askCreate:   with validate, ask before a missing directory is made.
    BOOL Browse(std::string& path, BOOL validate, BOOL showEditBox, BOOL askCreate);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnLBSelChangedNotify(UINT id, UINT index, UINT code) override;
    void DoDataExchange(CDataExchange* dx) override;

private:
    // A message box owned by the dialog, so that the dialog waits for it.
    int Tell(const std::string& text, UINT type) const;

    std::string m_strCurrentDir;  // the common dialog's current directory (hidden)
    std::string m_strPath;        // the chosen path (edit box)
    std::string m_strPathText;    // the chosen path (text)
    std::string m_strStartDir;
    BOOL m_bInitialized = FALSE;
    BOOL m_bValidate = FALSE;
    BOOL m_bShowEditBox = TRUE;
    BOOL m_bAskCreate = FALSE;
};
