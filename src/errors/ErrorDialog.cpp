#include "errors/ErrorDialog.h"

#include "fw/Strings.h"
#include "res/resource.h"

#include <algorithm>
#include <cstring>
#include <utility>

// ---- CErrorDialog --------------------------------------------------------

CErrorDialog::CErrorDialog(CWnd* parent)
    : CExpandingDialog(IDD_ERROR, parent), m_brush(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)))
{
    const CClientDC screen(nullptr);
    const int height = -::MulDiv(8, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
    m_font.Reset(::CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial"));
}

CErrorDialog::~CErrorDialog() = default;

void CErrorDialog::DoDataExchange(CDataExchange* dx)
{
    if (dx->m_bSaveAndValidate)
        return;
    HICON icon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(m_nIconId));
    ::SendMessageA(dx->PrepareCtrl(IDC_ERROR_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    DDX_Text(dx, IDC_ERROR_HEADING, m_strHeading);
    DDX_Text(dx, IDC_ERROR_TITLE, m_strTitle);
    DDX_Text(dx, IDC_ERROR_TEXT, m_strText);
    DDX_Text(dx, IDC_ERROR_INFO, m_strInfo);
}

BOOL CErrorDialog::OnInitDialog()
{
    const BOOL result = CExpandingDialog::OnInitDialog();
    if (m_bAskMode) {
        SetDlgItemText(IDOK, AfxLoadString(IDS_CONTINUE_OPERATION).c_str());
        SetDlgItemText(IDCANCEL, AfxLoadString(IDS_CANCEL_OPERATION).c_str());
    } else {
        ::ShowWindow(GetDlgItem(IDCANCEL), SW_HIDE);
    }
    for (int id : {IDC_ERROR_INFO, IDC_ERROR_TEXT})
        ::SendMessageA(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), TRUE);
    FitHeading();
    CenterWindow();
    return result;
}

// A heading that names a long path needs more lines than its control shows;
// it takes them from the top of the title below it, which keeps one line.
void CErrorDialog::FitHeading()
{
    HWND heading = GetDlgItem(IDC_ERROR_HEADING);
    HWND title = GetDlgItem(IDC_ERROR_TITLE);
    if (!heading || !title)
        return;
    RECT place{}, below{};
    ::GetWindowRect(heading, &place);
    ::GetWindowRect(title, &below);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&below), 2);
    RECT needed{0, 0, place.right - place.left, 0};
    TEXTMETRICA metrics{};
    {
        const CClientDC dc(heading);
        const CSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(heading, WM_GETFONT, 0, 0)));
        // The flags a static text control draws its text with.
        ::DrawTextA(dc.Get(), m_strHeading.c_str(), -1, &needed,
                    DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        ::GetTextMetricsA(dc.Get(), &metrics);
    }
    const LONG room = (below.bottom - below.top) - metrics.tmHeight;
    const LONG grow = std::min<LONG>(needed.bottom - (place.bottom - place.top), room);
    if (grow <= 0)
        return;
    ::SetWindowPos(heading, nullptr, 0, 0, place.right - place.left, place.bottom - place.top + grow,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(title, nullptr, below.left, below.top + grow, below.right - below.left,
                   below.bottom - below.top - grow, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CErrorDialog::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_ERROR_HELP)
        return TRUE;
    return CExpandingDialog::OnCommand(id, code, control);
}

void CErrorDialog::OnOK()
{
    EndDialog(IDOK);
}

HBRUSH CErrorDialog::OnCtlColor(HDC dc, HWND control, UINT message)
{
    if (control && control == GetDlgItem(IDC_ERROR_TEXT)) {
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return m_brush.Get();
    }
    return CExpandingDialog::OnCtlColor(dc, control, message);
}

// ---- Reports -------------------------------------------------------------

std::string CutHeading(const std::string& text)
{
    if (text.size() <= kMaxHeadingLength)
        return text;
    static const char kEllipsis[] = "...";
    const std::size_t room = kMaxHeadingLength - (sizeof kEllipsis - 1);
    // Whole characters only: a double-byte character is never split.
    const char* begin = text.c_str();
    const char* end = begin;
    while (*end) {
        const char* next = ::CharNextA(end);
        if (next == end || static_cast<std::size_t>(next - begin) > room)
            break;
        end = next;
    }
    return std::string(begin, end) + kEllipsis;
}

std::string ExpandHeadingV(UINT headingId, va_list args)
{
    std::string format;
    if (!AfxLoadString(headingId, format))
        return {};
    // wvsprintfA has no size argument; it writes at most 1024 bytes.
    char buffer[1024 + 1] = {};
    ::wvsprintfA(buffer, format.c_str(), args);
    buffer[sizeof buffer - 1] = '\0';
    return CutHeading(buffer);
}

std::string ExpandHeading(UINT headingId, ...)
{
    va_list args;
    va_start(args, headingId);
    std::string heading;
    try {
        heading = ExpandHeadingV(headingId, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return heading;
}

const CXException& ReportedException(const CException& e, std::unique_ptr<CXException>& made,
                                     const CXMemoryException& fallback, ExceptionMapper map) noexcept
{
    if (const auto* own = dynamic_cast<const CXException*>(&e))
        return *own;
    try {
        made = map(e);
    } catch (...) {
        made.reset();
    }
    if (made)
        return *made;
    return fallback;
}

namespace {

ErrorReportRecorder g_recorder;

// The report in a message box, for when the dialog cannot be created (its
// template missing or no memory for the window).
INT_PTR ShowPlainReport(const CErrorDialog& dialog, BOOL askMode) noexcept
{
    try {
        const std::string text = dialog.m_strHeading + "\n\n" + dialog.m_strTitle + "\n\n" + dialog.m_strInfo;
        CWinApp* app = AfxGetApp();
        const int answer = ::MessageBoxA(app ? app->GetMainHwnd() : nullptr, text.c_str(), nullptr,
                                         (askMode ? MB_OKCANCEL : MB_OK) | MB_ICONEXCLAMATION);
        return answer == 0 ? -1 : answer;
    } catch (...) {
        return -1;
    }
}

} // namespace

void SetErrorReportRecorder(ErrorReportRecorder recorder)
{
    g_recorder = std::move(recorder);
}

INT_PTR ShowExceptionDialog(UINT headingId, const std::string& heading, const CException& e, BOOL askMode,
                            UINT iconId)
{
    std::unique_ptr<CXException> made;
    const CXMemoryException fallback;
    const CXException& reported = ReportedException(e, made, fallback);
    reported.PrepareMessage();

    CErrorDialog dialog;
    dialog.m_strHeading = heading;
    dialog.m_strTitle = g_strErrorTitle;
    dialog.m_strText = g_strErrorText;
    dialog.m_strInfo = StringFormat("%d.%d (%s)", static_cast<int>(headingId), reported.m_nCode,
                                    reported.GetRuntimeClassName());
    dialog.m_bAskMode = askMode;
    dialog.m_nIconId = iconId;
    const bool quiet = AfxQuietAnswers();
    INT_PTR result = askMode ? IDCANCEL : IDOK;
    if (!quiet) {
        result = dialog.DoModal();
        if (result == -1)
            result = ShowPlainReport(dialog, askMode);
    }
    if (g_recorder)
        g_recorder({headingId, dialog.m_strHeading, dialog.m_strTitle, dialog.m_strInfo, askMode, result, quiet});
    return result;
}
