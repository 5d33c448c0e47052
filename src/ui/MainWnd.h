#pragma once
// The background window: a maximized frame window covering the screen behind
// the wizard pages with a blue-to-black gradient and the setup title in large
// white italic letters with a black shadow. It owns the gradient's palette
// (the pages realize it too) and cannot be closed by the user: closing asks
// whether to leave setup and only records the answer.
#include "fw/FrameWnd.h"
#include "fw/Gdi.h"

#include <memory>
#include <string>

class CMainWnd : public CFrameWnd {
public:
    // `title`: caption and painted title; `batch`: unattended run (the window
    // starts minimized); `success`: the run's success flag, which a confirmed
    // close clears. The flag must outlive the window.
    CMainWnd(std::string title, BOOL batch, BOOL& success);
    ~CMainWnd() override;

    // Registers the window class, creates the window and shows it maximized,
    // or minimized when unattended. FALSE when the window cannot be created.
    BOOL CreateBackground();
    // Realizes the palette in the foreground and repaints when that changed
    // any entry.
    void RealizeOwnPalette();
    // The gradient palette: null before creation and after destruction; holds
    // no handle on displays without a palette.
    CPalette* GetPalette() const noexcept { return m_pPalette.get(); }
    BOOL IsActive() const noexcept { return m_bActive; }

    // The title font's height for a device of `pixelsPerInch` vertical pixels
    // per inch: 24 points as a character height (negative), truncated.
    static int TitleFontHeight(int pixelsPerInch) noexcept;

    static constexpr COLORREF kGradientTop = 0x00FF0000;  // blue
    static constexpr COLORREF kGradientBottom = 0x00000000;

protected:
    int OnCreate(CREATESTRUCTA* cs) override;
    void OnPaint() override;
    void OnDestroy() override;
    void OnActivateApp(BOOL active, DWORD threadId) override;
    void OnPaletteChanged(HWND changer) override;
    BOOL OnQueryNewPalette() override;
    void OnClose() override;

private:
    void DrawTitle(HDC dc) const;

    std::unique_ptr<CPalette> m_pPalette;
    BOOL m_bActive = FALSE;
    std::string m_strTitle;
    BOOL m_bBatch;
    BOOL& m_bSuccess;
};
