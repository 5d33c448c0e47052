#pragma once
// Drawing objects and device contexts. Each owns exactly one handle and frees
// it in its destructor; none throws.
#include <utility>

#include <windows.h>

// A GDI object (font, brush, palette, bitmap) deleted with DeleteObject; the
// same vocabulary as CUniqueHandle (Get, Release, Reset).
template <class THandle>
class CGdiObject {
public:
    explicit CGdiObject(THandle handle = nullptr) noexcept : m_hObject(handle) {}
    CGdiObject(CGdiObject&& other) noexcept : m_hObject(other.Release()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    ~CGdiObject() { Reset(); }

    THandle Get() const noexcept { return m_hObject; }
    THandle Release() noexcept { return std::exchange(m_hObject, nullptr); }
    // Deletes the handle held, if any, and takes `handle`.
    void Reset(THandle handle = nullptr) noexcept
    {
        if (m_hObject)
            ::DeleteObject(m_hObject);
        m_hObject = handle;
    }

private:
    THandle m_hObject;
};

using CFont = CGdiObject<HFONT>;
using CBrush = CGdiObject<HBRUSH>;
using CBitmap = CGdiObject<HBITMAP>;
// A logical palette; it may hold no handle (displays without a palette).
using CPalette = CGdiObject<HPALETTE>;

// The context of one WM_PAINT: BeginPaint to EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) noexcept : m_hWnd(hwnd) { m_hDC = ::BeginPaint(hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

    HDC Get() const noexcept { return m_hDC; }
    const RECT& PaintRect() const noexcept { return m_ps.rcPaint; }

private:
    HWND m_hWnd;
    HDC m_hDC;
    PAINTSTRUCT m_ps{};
};

// A window's client-area context: GetDC to ReleaseDC.
class CClientDC {
public:
    explicit CClientDC(HWND hwnd) noexcept : m_hWnd(hwnd), m_hDC(::GetDC(hwnd)) {}
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    ~CClientDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }

    HDC Get() const noexcept { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// Selects an object into a context and the previous one back at the end.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) noexcept : m_hDC(dc), m_hOld(object ? ::SelectObject(dc, object) : nullptr) {}
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    ~CSelectObject()
    {
        if (m_hOld)
            ::SelectObject(m_hDC, m_hOld);
    }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};
