#include "fw/FileDialog.h"

#include "fw/SystemLibrary.h"

#include <algorithm>
#include <cstring>

namespace {

// The message an old-style common dialog sends its hook when the selection of
// one of its lists changed.
UINT LbSelChangeMessage() noexcept
{
    static const UINT message = ::RegisterWindowMessageA(LBSELCHSTRINGA);
    return message;
}

// The caption of a DIALOG or DIALOGEX template in `module`; empty when there
// is none. The header is followed by the menu, the class and the caption, each
// a 0 word, 0xFFFF and an ordinal, or a NUL-terminated UTF-16 text.
std::string TemplateCaption(HINSTANCE module, const char* name)
{
    HRSRC info = ::FindResourceA(module, name, RT_DIALOG);
    const HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const auto* bytes = loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
    if (!bytes)
        return {};
    const size_t words = ::SizeofResource(module, info) / 2;
    const auto word = [bytes](size_t index) {
        return static_cast<WCHAR>(bytes[2 * index] | bytes[2 * index + 1] << 8);
    };
    constexpr size_t kHeaderWords = 9;     // DLGTEMPLATE: 18 bytes
    constexpr size_t kHeaderExWords = 13;  // DLGTEMPLATEEX: 26 bytes
    if (words < kHeaderWords)
        return {};
    const bool extended = word(0) == 1 && word(1) == 0xFFFF;
    size_t at = extended ? kHeaderExWords : kHeaderWords;
    for (int field = 0; field < 2; ++field) {  // menu, class
        if (at < words && word(at) == 0xFFFF)
            at += 2;
        else
            while (at < words && word(at++) != 0) {
            }
    }
    std::wstring caption;
    while (at < words && word(at) != 0)
        caption += word(at++);
    if (at >= words || caption.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_ACP, 0, caption.data(), static_cast<int>(caption.size()), nullptr,
                                           0, nullptr, nullptr);
    std::string text(static_cast<size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, caption.data(), static_cast<int>(caption.size()), text.data(), size, nullptr,
                          nullptr);
    return text;
}

} // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const char* fileName, DWORD flags, const char* filter,
                         CWnd* parent)
    : CDialog(0, parent), m_ofn{}, m_bOpenFileDialog(openFileDialog)
{
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.Flags = flags;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof m_szFileName;
    if (fileName)
        std::strncpy(m_szFileName, fileName, sizeof m_szFileName - 1);
    if (filter) {
        m_strFilter = filter;
        std::replace(m_strFilter.begin(), m_strFilter.end(), '|', '\0');
        m_ofn.lpstrFilter = m_strFilter.c_str();
    }
}

INT_PTR CFileDialog::DoModal()
{
    if (AfxQuietAnswers())
        return IDCANCEL;
    CWinApp* app = AfxGetApp();
    m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : app ? app->GetMainHwnd() : nullptr;
    m_ofn.Flags |= OFN_ENABLEHOOK;
    m_ofn.lpfnHook = HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(static_cast<CDialog*>(this));
    // Without a title the common dialog would put its own ("Save As") over the template's.
    if ((m_ofn.Flags & OFN_ENABLETEMPLATE) && !m_ofn.lpstrTitle) {
        m_strTitle = TemplateCaption(m_ofn.hInstance, m_ofn.lpTemplateName);
        if (!m_strTitle.empty())
            m_ofn.lpstrTitle = m_strTitle.c_str();
    }
    m_bModal = true;
    // comdlg32 is loaded at the first dialog, not at the program's start.
    static const auto getOpenFileName =
        SystemFunction<decltype(::GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
    static const auto getSaveFileName =
        SystemFunction<decltype(::GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
    const auto show = m_bOpenFileDialog ? getOpenFileName : getSaveFileName;
    const BOOL chosen = show && show(&m_ofn);
    m_bModal = false;
    // The common dialog need not hand its window's last messages to the hook:
    // the object lets go of the window here.
    if (m_hWnd)
        Detach();
    return chosen ? IDOK : IDCANCEL;
}

BOOL CFileDialog::OnInitDialog()
{
    return TRUE;
}

void CFileDialog::OnOK()
{
    Default();
}

void CFileDialog::OnCancel()
{
    Default();
}

void CFileDialog::OnLBSelChangedNotify(UINT, UINT, UINT) {}

LRESULT CFileDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LbSelChangeMessage()) {
        OnLBSelChangedNotify(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    return CDialog::OnMessage(message, wParam, lParam);
}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // The common dialog hands its structure over; lCustData carries the object.
        const auto* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        return static_cast<UINT_PTR>(DialogProc(hwnd, message, wParam, ofn ? ofn->lCustData : 0));
    }
    if (message == LbSelChangeMessage()) {
        // The old-style dialog takes this answer from the hook's result itself.
        CWnd* self = FromHandlePermanent(hwnd);
        if (!self)
            return 0;
        MSG msg{};
        msg.hwnd = hwnd;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        bool defaulted = false;
        return static_cast<UINT_PTR>(Dispatch(self, msg, true, defaulted));
    }
    return static_cast<UINT_PTR>(DialogProc(hwnd, message, wParam, lParam));
}
