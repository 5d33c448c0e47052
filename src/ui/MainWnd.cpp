#include "ui/MainWnd.h"

#include "res/resource.h"
#include "ui/Drawing.h"

namespace {

constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int kTitlePoints = 24;
constexpr COLORREF kTitleColor = 0x00FFFFFF;
constexpr COLORREF kShadowColor = 0x00000000;

} // namespace

CMainWnd::CMainWnd(std::string title, BOOL batch, BOOL& success)
    : m_strTitle(std::move(title)), m_bBatch(batch), m_bSuccess(success)
{
}

CMainWnd::~CMainWnd() = default;

BOOL CMainWnd::CreateBackground()
{
    std::string windowClass;
    try {
        HICON icon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_PROGRAM));
        windowClass = AfxRegisterWndClass(kClassStyle, ::LoadCursorA(nullptr, IDC_ARROW), nullptr, icon);
    } catch (const CResourceException&) {
        return FALSE;
    }
    if (!Create(windowClass.c_str(), m_strTitle.c_str(), kWindowStyle))
        return FALSE;
    ShowWindow(m_bBatch ? SW_MINIMIZE : SW_SHOWMAXIMIZED);
    return TRUE;
}

int CMainWnd::OnCreate(CREATESTRUCTA* cs)
{
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    m_pPalette = std::make_unique<CPalette>();
    CClientDC dc(m_hWnd);
    CreateRampPalette(dc.Get(), *m_pPalette, kGradientTop, kGradientBottom);
    return 0;
}

void CMainWnd::RealizeOwnPalette()
{
    if (!m_pPalette || !m_pPalette->Get())
        return;
    CClientDC dc(m_hWnd);
    HPALETTE old = ::SelectPalette(dc.Get(), m_pPalette->Get(), FALSE);
    const UINT changed = ::RealizePalette(dc.Get());
    if (old)
        ::SelectPalette(dc.Get(), old, FALSE);
    if (changed != GDI_ERROR && changed > 0)
        Invalidate(TRUE);
}

void CMainWnd::OnPaint()
{
    CPaintDC dc(m_hWnd);
    HPALETTE old = nullptr;
    if (m_pPalette && m_pPalette->Get()) {
        old = ::SelectPalette(dc.Get(), m_pPalette->Get(), FALSE);
        ::RealizePalette(dc.Get());
    }
    FillGradient(dc.Get(), dc.PaintRect(), GetClientRect(), m_bActive, kGradientTop, kGradientBottom);
    DrawTitle(dc.Get());
    if (old)
        ::SelectPalette(dc.Get(), old, FALSE);
}

int CMainWnd::TitleFontHeight(int pixelsPerInch) noexcept
{
    // Truncated, not rounded: 24 points at 110 pixels per inch are 36 pixels.
    return -(kTitlePoints * pixelsPerInch / 72);
}

void CMainWnd::DrawTitle(HDC dc) const
{
    // Arial, 24 points as character height, bold italic.
    const int height = TitleFontHeight(::GetDeviceCaps(dc, LOGPIXELSY));
    CFont font(::CreateFontA(height, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, 0, 0, 0, 0, 0, "Arial"));
    CSelectObject selected(dc, font.Get());
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const int x = ::GetSystemMetrics(SM_CXHTHUMB);
    const int y = ::GetSystemMetrics(SM_CYVTHUMB);
    const int length = static_cast<int>(m_strTitle.size());
    const COLORREF oldColor = ::SetTextColor(dc, kShadowColor);
    ::TextOutA(dc, x + 2 * ::GetSystemMetrics(SM_CXDLGFRAME), y + 2 * ::GetSystemMetrics(SM_CYDLGFRAME),
               m_strTitle.c_str(), length);
    ::SetTextColor(dc, kTitleColor);
    ::TextOutA(dc, x, y, m_strTitle.c_str(), length);
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldColor);
}

void CMainWnd::OnDestroy()
{
    m_pPalette.reset();
    CFrameWnd::OnDestroy();
}

void CMainWnd::OnActivateApp(BOOL active, DWORD threadId)
{
    m_bActive = active;
    CFrameWnd::OnActivateApp(active, threadId);
}

void CMainWnd::OnPaletteChanged(HWND changer)
{
    if (changer != m_hWnd)
        RealizeOwnPalette();
    CFrameWnd::OnPaletteChanged(changer);
}

BOOL CMainWnd::OnQueryNewPalette()
{
    RealizeOwnPalette();
    return CFrameWnd::OnQueryNewPalette();
}

void CMainWnd::OnClose()
{
    // The window stays open either way: only the wizard ends the run.
    if (AfxMessageBox(IDS_CONFIRM_EXIT_SETUP, MB_YESNO | MB_ICONQUESTION) == IDYES)
        m_bSuccess = FALSE;
}
