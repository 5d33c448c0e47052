#pragma once
// Drives a Windows program under test from outside, through the Windows API
// only (under Wine with Xvfb): starts it, waits for its windows by title or
// class, reads control texts, states and places, presses buttons and sends
// keys. Nothing here clicks at screen positions.
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace ui_probe {

// How long a test waits for something that should happen at once.
constexpr DWORD kDefaultTimeoutMs = 20000;

// A started program; terminated by the destructor if it is still running.
class TestProcess {
public:
    // `program`: a Windows path, or an absolute Unix path (mapped to drive Z:).
    // `directory`: its current directory, the test's own when empty.
    // Throws std::runtime_error when the program cannot be started.
    TestProcess(const std::string& program, const std::string& arguments, const std::string& directory = {});
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;
    ~TestProcess();

    DWORD Id() const noexcept { return m_info.dwProcessId; }
    bool IsRunning() const;
    // TRUE when the program ended within the time; its exit code in `exitCode`.
    bool WaitForExit(DWORD* exitCode, DWORD timeoutMs = kDefaultTimeoutMs) const;
    // Posts `message` to the program's main thread (no window).
    bool PostThreadMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

private:
    PROCESS_INFORMATION m_info{};
};

// A program with that file name ('pelto.exe', any case) runs on the machine.
bool ProgramRunning(const std::string& fileName);

// The Windows form of an absolute Unix path under Wine ('/a/b' -> 'Z:\a\b').
std::string WindowsPath(const std::string& path);

// What a top-level window must match; empty fields match anything.
struct WindowQuery {
    DWORD processId = 0;
    std::string title;      // the exact caption
    std::string className;  // "#32770" for dialogs and message boxes
    bool visibleOnly = true;
};

// The first matching top-level window, or null.
HWND FindTopLevelWindow(const WindowQuery& query);
// Waits for a matching window; null after the timeout.
HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs = kDefaultTimeoutMs);
// Waits until `condition` holds; false after the timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

// Control texts and states, read with messages the system marshals between
// processes (WM_GETTEXT, BM_GETCHECK).
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
bool IsControlVisible(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
bool IsControlChecked(HWND dialog, int id);
std::string ClassName(HWND window);
// The children of `parent` in z-order.
std::vector<HWND> ChildWindows(HWND parent);
// The visible dialogs and message boxes of a thread (none for thread 0).
std::vector<HWND> ThreadDialogs(DWORD threadId);

// Presses a button: a visible, enabled control gets BM_CLICK posted. False when
// the button is missing, hidden or disabled (a user could not press it).
bool ClickButton(HWND dialog, int id);
// Sends a key press (down and up) to the window that has the keyboard focus in
// `window`'s thread, or to `window` when no focus is known.
void PressKey(HWND window, UINT virtualKey);
// The focus window of `window`'s thread, or null.
HWND FocusWindow(HWND window);

// A control's rectangle in the dialog's client coordinates, in pixels.
RECT ControlRect(HWND dialog, int id);
// The pixel rectangle of a control placed at a dialog-unit rectangle in a
// dialog in the program's font ("MS Sans Serif", 8 points), measured on a
// dialog of the probe's own.
RECT DialogUnitsToPixels(int x, int y, int width, int height);

} // namespace ui_probe
