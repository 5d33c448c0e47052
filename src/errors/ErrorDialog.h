#pragma once
// The error dialog (template IDD_ERROR): the upper half states what failed
// (the heading) and why (the exception's title); "&More>>" shows the lower half
// with the explanation and the error information line "heading.code (class)".
// ErrorMessage informs with OK alone; ErrorQuery asks "Continue Operation" or
// "Cancel Operation". The caller keeps the exception.
#include "errors/XException.h"
#include "fw/Gdi.h"
#include "ui/ExpandingDialog.h"

#include <cstdarg>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

// The system icon of every error report, IDI_EXCLAMATION (windows.h spells it
// as a resource pointer, not as the number the dialog stores).
constexpr UINT kErrorIconId = 32515;

class CErrorDialog : public CExpandingDialog {
public:
    explicit CErrorDialog(CWnd* parent = nullptr);
    ~CErrorDialog() override;

    std::string m_strHeading;  // control IDC_ERROR_HEADING
    std::string m_strTitle;    // IDC_ERROR_TITLE
    std::string m_strText;     // IDC_ERROR_TEXT
    std::string m_strInfo;     // IDC_ERROR_INFO
    // "Continue Operation" / "Cancel Operation" instead of OK alone.
    BOOL m_bAskMode = FALSE;
    // The system icon shown beside the heading.
    UINT m_nIconId = kErrorIconId;

protected:
    BOOL OnInitDialog() override;
    // Members into the controls only: nothing is ever read back.
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    // The explanation's edit control on the button-face colour.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT message) override;

private:
    void FitHeading();

    CBrush m_brush;  // button face
    CFont m_font;    // Arial 8 points, for the explanation and the information line
};

// Longest heading shown, in bytes; a longer one is cut and ends in "...".
constexpr std::size_t kMaxHeadingLength = 511;

// String `headingId` expanded with the arguments by the rules of wvsprintfA
// (which writes at most 1024 bytes), then cut to kMaxHeadingLength bytes at a
// character boundary. Empty when the string table has no such string.
std::string ExpandHeading(UINT headingId, ...);
std::string ExpandHeadingV(UINT headingId, va_list args);
// `text` cut to kMaxHeadingLength bytes as described above.
std::string CutHeading(const std::string& text);

using ExceptionMapper = std::unique_ptr<CXException> (*)(const CException&);
// The family member that reports `e`: `e` itself when it is one, else the one
// `map` makes (held in `made`). When that cannot be made (no memory), the
// report falls back on `fallback`, which states the lack of memory.
const CXException& ReportedException(const CException& e, std::unique_ptr<CXException>& made,
                                     const CXMemoryException& fallback, ExceptionMapper map = MapException) noexcept;

// Shows the error dialog for `e` under `heading`; the dialog's end code (1 for
// OK or Continue, 2 for Cancel). When the dialog cannot be created the report
// is shown in a message box instead; -1 when that fails too. Under quiet
// answers nothing is shown: a question is answered Cancel, a message OK.
INT_PTR ShowExceptionDialog(UINT headingId, const std::string& heading, const CException& e, BOOL askMode,
                            UINT iconId);

// One error report as it was shown, or answered quietly (AfxQuietAnswers):
// the heading's string id and text, the exception's title, the information
// line "heading.code (class)", whether it asked, and its answer (1 for OK or
// Continue, 2 for Cancel, -1 when it could not be shown).
struct ErrorReportRecord {
    UINT headingId;
    const std::string& heading;
    const std::string& title;
    const std::string& info;
    BOOL askMode;
    INT_PTR answer;
    bool quiet;
};
// Told of every report ShowExceptionDialog makes; empty: nobody is told.
using ErrorReportRecorder = std::function<void(const ErrorReportRecord&)>;
void SetErrorReportRecorder(ErrorReportRecorder recorder);

template <class... Args>
constexpr bool kHeadingArgumentsFit = ((std::is_integral_v<Args> || std::is_enum_v<Args> || std::is_pointer_v<Args>) && ...);

// Reports `e` with OK alone. `args` fill the heading's placeholders
// (wvsprintfA: integers and C strings).
template <class... Args>
void ErrorMessage(UINT headingId, const CException& e, Args... args)
{
    static_assert(kHeadingArgumentsFit<Args...>, "heading arguments are integers or C strings");
    ShowExceptionDialog(headingId, ExpandHeading(headingId, args...), e, FALSE, kErrorIconId);
}

// Asks whether to go on after `e`: TRUE for "Continue Operation", FALSE for
// "Cancel Operation", Escape, or a report that could not be shown.
template <class... Args>
BOOL ErrorQuery(UINT headingId, const CException& e, Args... args)
{
    static_assert(kHeadingArgumentsFit<Args...>, "heading arguments are integers or C strings");
    return ShowExceptionDialog(headingId, ExpandHeading(headingId, args...), e, TRUE, kErrorIconId) == IDOK;
}
