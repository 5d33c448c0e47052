#pragma once
// CShortcutGroups: program groups of the Start menu. On Windows 4.0 and later a
// group is a folder of the current user's Programs folder and an item a
// shortcut file in it, '<Programs>\<group>\<item>.lnk'; on earlier versions
// every operation is the Program Manager one of the base class. It owns the
// shell-link object of the last shortcut written and, once it has initialised
// COM on the thread, that initialisation (undone by the destructor). Nothing
// throws or shows a message: every operation answers TRUE or FALSE.
#include "fw/Handle.h"
#include "system/PathName.h"
#include "system/ProgmanGroups.h"

#include <windows.h>
#include <shlobj.h>

class CShortcutGroups : public CProgmanGroups {
public:
    // Decides between shortcuts and Program Manager by the Windows version and
    // finds the Programs folder (see GetProgramsFolder).
    CShortcutGroups();
    ~CShortcutGroups() override;

    // With shortcuts: writes '<group folder>\<name>.lnk' (the group folder is
    // created first) that starts `path` with `arguments`, described by `name`
    // and showing icon `iconIndex` of `iconPath`. The name loses whatever
    // follows its last dot: item 'Pelto 2.0' is written as 'Pelto 2.lnk'.
    // showCmd and showMode are not used. Without: AddItem.
    virtual BOOL AddShortcut(const char* group, const char* path, const char* arguments, const char* name,
                             const char* iconPath, int iconIndex, int showCmd, int showMode);
    // With shortcuts: deletes the file AddShortcut wrote for the name, even a
    // read-only one.
    BOOL RemoveItem(const char* group, const char* name) override;
    // With shortcuts: removes the group folder, which succeeds only when it is
    // empty. A group without a name is never removed (its folder would be the
    // Programs folder itself).
    BOOL RemoveGroup(const char* group) override;
    // With shortcuts: releases the shell-link object, TRUE. Without: closes the
    // conversation with Program Manager.
    BOOL Close();

    BOOL UsesShortcuts() const noexcept { return useShortcuts; }
    // The "Programs" value of the current user's Shell Folders key, or the
    // Windows directory's 'Start Menu\Programs\' when it is missing or empty.
    const CPathName& GetProgramsFolder() const noexcept { return programsFolder; }

protected:
    // Program Manager of another service and topic name (tests).
    CShortcutGroups(const char* service, const char* topic);

private:
    void Init();
    // The places of a group and of an item; FALSE when the path would be too long.
    BOOL GetGroupFolder(const char* group, CPathName& out) const;
    BOOL GetShortcutFile(const char* group, const char* name, CPathName& out) const;
    // Initialises COM once and makes a new shell-link object with its
    // IPersistFile; FALSE (no object held) when either fails.
    BOOL CreateShellLink();

    BOOL useShortcuts = FALSE;
    CPathName programsFolder;
    CComPtr<IShellLinkA> shellLink;
    CComPtr<IPersistFile> persistFile;
    // CoInitialize succeeded (S_OK or S_FALSE) and must be balanced.
    BOOL m_bComInitialized = FALSE;
};
