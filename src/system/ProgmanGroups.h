#pragma once
// CProgmanGroups: program groups and items made by DDE commands to Program
// Manager (service and topic "PROGMAN"), and the list of its groups. It owns
// one CDdeClient; the conversation is opened on first need and closed by Close
// or the destructor. Nothing throws or shows a message: every operation answers
// TRUE or FALSE, and a command too long for the command buffer is refused
// (FALSE, nothing sent).
//
// The virtual operations come in this order (a derived class writes shortcut
// files instead): AddItem, RemoveItem, RemoveGroup, ListGroups.
#include "system/DdeClient.h"

#include <windows.h>

#include <string>

class CProgmanGroups {
public:
    CProgmanGroups() noexcept;
    CProgmanGroups(const CProgmanGroups&) = delete;
    CProgmanGroups& operator=(const CProgmanGroups&) = delete;

    // Creates the group (or makes it the active one), replaces an item of the
    // same name and adds the item. The command line is `path`, in double quotes
    // when it holds a blank or a tab, then a blank and `arguments` when they are
    // given. showCmd goes to the first position field; the second gets 1 when
    // showMode is SW_MINIMIZE (6) or SW_SHOWMINIMIZED (2), else 0. A null
    // iconPath means the command line.
    virtual BOOL AddItem(const char* group, const char* path, const char* arguments, const char* name,
                         const char* iconPath, int iconIndex, int showCmd, int showMode);
    // Makes the group active and deletes the item from it.
    virtual BOOL RemoveItem(const char* group, const char* name);
    virtual BOOL RemoveGroup(const char* group);
    // Appends Program Manager's groups to the list box (LB_ADDSTRING), in the
    // order it reports them. Always TRUE, even when it cannot be reached.
    virtual BOOL ListGroups(HWND listBox);
    // Closes the conversation when one is open.
    virtual ~CProgmanGroups();

    // TRUE when not connected, else the disconnect's answer (the connection is
    // kept when the disconnect failed).
    BOOL Close();
    // Connects when not connected; when the first attempt fails, starts
    // "progman.exe" and tries once more.
    BOOL EnsureConnected();

    // The commands, each one DDE execute. Those that name a group connect first.
    BOOL CmdCreateGroup(const char* group);
    BOOL CmdDeleteGroup(const char* group);
    BOOL CmdReplaceItem(const char* name);
    BOOL CmdDeleteItem(const char* name);
    // iconPath null: the command line; directory null: empty; hotKey -1: empty.
    BOOL CmdAddItem(const char* commandLine, const char* name, const char* iconPath, int iconIndex, int x, int y,
                    const char* directory, int hotKey, BOOL minimize);

protected:
    // A Program Manager of another service and topic name (tests).
    CProgmanGroups(const char* service, const char* topic) noexcept;

private:
    const char* m_pszService;
    const char* m_pszTopic;
    CDdeClient m_client;
    BOOL m_bConnected = FALSE;
};
