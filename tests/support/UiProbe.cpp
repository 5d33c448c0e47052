#include "support/UiProbe.h"

#include <cstring>
#include <stdexcept>

#include <tlhelp32.h>

namespace ui_probe {

namespace {

constexpr UINT kSendTimeoutMs = 5000;

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

struct FindState {
    const WindowQuery* query;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    auto* state = reinterpret_cast<FindState*>(param);
    const WindowQuery& q = *state->query;
    if (q.processId) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process != q.processId)
            return TRUE;
    }
    if (q.visibleOnly && !::IsWindowVisible(window))
        return TRUE;
    if (!q.className.empty() && ClassName(window) != q.className)
        return TRUE;
    if (!q.title.empty() && WindowText(window) != q.title)
        return TRUE;
    state->found = window;
    return FALSE;
}

} // namespace

bool ProgramRunning(const std::string& fileName)
{
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = ::Process32First(snapshot, &entry); more && !found; more = ::Process32Next(snapshot, &entry))
        found = ::lstrcmpiA(entry.szExeFile, fileName.c_str()) == 0;
    ::CloseHandle(snapshot);
    return found;
}

std::string WindowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string result = "Z:" + path;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}

TestProcess::TestProcess(const std::string& program, const std::string& arguments, const std::string& directory)
{
    const std::string path = WindowsPath(program);
    std::string commandLine = "\"" + path + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, &m_info))
        throw std::runtime_error("cannot start " + path + ", error " + std::to_string(::GetLastError()));
}

TestProcess::~TestProcess()
{
    if (IsRunning()) {
        ::TerminateProcess(m_info.hProcess, 255);
        ::WaitForSingleObject(m_info.hProcess, 5000);
    }
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

bool TestProcess::IsRunning() const
{
    return ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool TestProcess::WaitForExit(DWORD* exitCode, DWORD timeoutMs) const
{
    if (::WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    ::GetExitCodeProcess(m_info.hProcess, &code);
    if (exitCode)
        *exitCode = code;
    return true;
}

bool TestProcess::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostThreadMessageA(m_info.dwThreadId, message, wParam, lParam) != FALSE;
}

HWND FindTopLevelWindow(const WindowQuery& query)
{
    FindState state{&query, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(20);
    }
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevelWindow(query)) != nullptr; }, timeoutMs);
    return found;
}

std::string WindowText(HWND window)
{
    if (!window)
        return {};
    const LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::string ControlText(HWND dialog, int id)
{
    return WindowText(::GetDlgItem(dialog, id));
}

bool IsControlVisible(HWND dialog, int id)
{
    HWND control = ::GetDlgItem(dialog, id);
    return control && (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
}

bool IsControlEnabled(HWND dialog, int id)
{
    HWND control = ::GetDlgItem(dialog, id);
    return control && !(::GetWindowLongA(control, GWL_STYLE) & WS_DISABLED);
}

bool IsControlChecked(HWND dialog, int id)
{
    HWND control = ::GetDlgItem(dialog, id);
    return control && SendWithTimeout(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string ClassName(HWND window)
{
    char name[256] = {};
    const int n = ::GetClassNameA(window, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::vector<HWND> ChildWindows(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

namespace {

// A window procedure's calling convention, which a lambda cannot have: the
// 32-bit build would not take one.
BOOL CALLBACK CollectDialog(HWND window, LPARAM list)
{
    if (::IsWindowVisible(window) && ClassName(window) == "#32770")
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> ThreadDialogs(DWORD threadId)
{
    std::vector<HWND> dialogs;
    if (threadId)
        ::EnumThreadWindows(threadId, CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

bool ClickButton(HWND dialog, int id)
{
    if (!IsControlVisible(dialog, id) || !IsControlEnabled(dialog, id))
        return false;
    return ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0) != FALSE;
}

HWND FocusWindow(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    if (!::GetGUIThreadInfo(thread, &info))
        return nullptr;
    return info.hwndFocus;
}

void PressKey(HWND window, UINT virtualKey)
{
    HWND target = FocusWindow(window);
    if (!target)
        target = window;
    const UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | static_cast<LPARAM>(scan) << 16;
    const LPARAM up = down | static_cast<LPARAM>(1) << 30 | static_cast<LPARAM>(1) << 31;
    ::PostMessageA(target, WM_KEYDOWN, virtualKey, down);
    ::PostMessageA(target, WM_KEYUP, virtualKey, up);
}

RECT ControlRect(HWND dialog, int id)
{
    RECT rc{};
    HWND control = ::GetDlgItem(dialog, id);
    if (!control)
        return rc;
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

namespace {

INT_PTR CALLBACK IdleDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A hidden empty dialog in the program's dialog font, to measure its units.
HWND CreateMeasuringDialog()
{
    // DLGTEMPLATE, then menu, class and title (empty), point size and face.
    alignas(DWORD) unsigned char buffer[128] = {};
    auto* tmpl = reinterpret_cast<DLGTEMPLATE*>(buffer);
    tmpl->style = WS_POPUP | DS_SETFONT;
    tmpl->cx = 100;
    tmpl->cy = 100;
    auto* words = reinterpret_cast<WORD*>(tmpl + 1);
    *words++ = 0;  // menu
    *words++ = 0;  // class
    *words++ = 0;  // title
    *words++ = 8;  // point size
    const wchar_t face[] = L"MS Sans Serif";
    std::memcpy(words, face, sizeof face);
    return ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), tmpl, nullptr, IdleDialogProc, 0);
}

} // namespace

RECT DialogUnitsToPixels(int x, int y, int width, int height)
{
    // As the dialog manager places controls: the origin and the size are
    // converted each on its own (MapDialogRect converts every field alone).
    RECT rc{x, y, width, height};
    HWND measure = CreateMeasuringDialog();
    if (!measure)
        throw std::runtime_error("cannot create a dialog to measure dialog units");
    ::MapDialogRect(measure, &rc);
    ::DestroyWindow(measure);
    return RECT{rc.left, rc.top, rc.left + rc.right, rc.top + rc.bottom};
}

} // namespace ui_probe
