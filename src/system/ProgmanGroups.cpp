#include "system/ProgmanGroups.h"

#include <string>

namespace {

constexpr const char kProgman[] = "PROGMAN";
// The request item that answers with the group names, one a line.
constexpr const char kGroupsItem[] = "Progman";
constexpr const char kLineBreaks[] = "\r\n";

} // namespace

CProgmanGroups::CProgmanGroups() noexcept : CProgmanGroups(kProgman, kProgman) {}

CProgmanGroups::CProgmanGroups(const char* service, const char* topic) noexcept
    : m_pszService(service), m_pszTopic(topic)
{
}

CProgmanGroups::~CProgmanGroups()
{
    if (m_bConnected)
        Close();
}

BOOL CProgmanGroups::EnsureConnected()
{
    if (m_bConnected)
        return TRUE;
    if (!m_client.Connect(m_pszService, m_pszTopic)) {
        // No pause: WinExec itself waits until the program is ready for
        // input, which is what lets its DDE service be there for the second
        // attempt (StartProgram would not wait).
        ::WinExec("progman.exe", SW_SHOW);
        if (!m_client.Connect(m_pszService, m_pszTopic))
            return FALSE;
    }
    m_bConnected = TRUE;
    return TRUE;
}

BOOL CProgmanGroups::Close()
{
    if (!m_bConnected)
        return TRUE;
    const BOOL done = m_client.Disconnect();
    if (done)
        m_bConnected = FALSE;
    return done;
}

BOOL CProgmanGroups::CmdCreateGroup(const char* group)
{
    EnsureConnected();
    return m_client.ExecuteFormat("[CreateGroup (\"%s\")]", group);
}

BOOL CProgmanGroups::CmdDeleteGroup(const char* group)
{
    EnsureConnected();
    return m_client.ExecuteFormat("[DeleteGroup(\"%s\")]", group);
}

BOOL CProgmanGroups::CmdReplaceItem(const char* name)
{
    return m_client.ExecuteFormat("[ReplaceItem (%s)]", name);
}

BOOL CProgmanGroups::CmdDeleteItem(const char* name)
{
    return m_client.ExecuteFormat("[DeleteItem (%s)]", name);
}

BOOL CProgmanGroups::CmdAddItem(const char* commandLine, const char* name, const char* iconPath, int iconIndex,
                                int x, int y, const char* directory, int hotKey, BOOL minimize)
{
    EnsureConnected();
    const std::string hotKeyText = hotKey == -1 ? std::string() : std::to_string(hotKey);
    return m_client.ExecuteFormat("[AddItem (%s,\"%s\",%s,%d,%d,%d,%s,%s,%d)]", commandLine, name,
                                  iconPath ? iconPath : commandLine, iconIndex, x, y, directory ? directory : "",
                                  hotKeyText.c_str(), minimize ? 1 : 0);
}

BOOL CProgmanGroups::AddItem(const char* group, const char* path, const char* arguments, const char* name,
                             const char* iconPath, int iconIndex, int showCmd, int showMode)
{
    if (!EnsureConnected())
        return FALSE;
    CmdCreateGroup(group);
    CmdReplaceItem(name);
    std::string commandLine = path;
    if (commandLine.find_first_of(" \t") != std::string::npos)
        commandLine = '"' + commandLine + '"';
    if (arguments) {
        commandLine += ' ';
        commandLine += arguments;
    }
    const int minimized = showMode == SW_MINIMIZE || showMode == SW_SHOWMINIMIZED ? 1 : 0;
    return CmdAddItem(commandLine.c_str(), name, iconPath, iconIndex, showCmd, minimized, nullptr, -1, FALSE);
}

BOOL CProgmanGroups::RemoveItem(const char* group, const char* name)
{
    if (!EnsureConnected())
        return FALSE;
    CmdCreateGroup(group);
    return CmdDeleteItem(name);
}

BOOL CProgmanGroups::RemoveGroup(const char* group)
{
    return CmdDeleteGroup(group);
}

BOOL CProgmanGroups::ListGroups(HWND listBox)
{
    EnsureConnected();
    std::string text;
    m_client.Request(kGroupsItem, text, CF_TEXT);
    // One name a line; a run of CR and LF characters of any length separates two.
    size_t at = text.find_first_not_of(kLineBreaks);
    while (at != std::string::npos) {
        const size_t end = text.find_first_of(kLineBreaks, at);
        const std::string name = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        ::SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        at = end == std::string::npos ? end : text.find_first_not_of(kLineBreaks, end);
    }
    return TRUE;
}
