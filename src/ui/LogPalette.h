#pragma once
// A Windows LOGPALETTE on the heap while a palette is built: version 0x300, the
// entry count, then the entries. Failing allocations throw the framework's
// memory exception.
#include <windows.h>

class CLogPalette {
public:
    // One entry, all zero.
    CLogPalette();
    CLogPalette(const CLogPalette&) = delete;
    CLogPalette& operator=(const CLogPalette&) = delete;
    ~CLogPalette();

    // Room for `count` entries (0 to 65535), keeping those already there.
    void Resize(int count);
    // The entries of the palette selected into `dc`.
    void ReadFromDC(HDC dc);
    // Writes one entry; an index outside the palette is ignored.
    void SetEntry(int index, BYTE red, BYTE green, BYTE blue, BYTE flags = 0) noexcept;

    int GetCount() const noexcept { return m_pPalette->palNumEntries; }
    const PALETTEENTRY& GetEntry(int index) const noexcept { return m_pPalette->palPalEntry[index]; }
    const LOGPALETTE* Get() const noexcept { return m_pPalette; }

private:
    LOGPALETTE* m_pPalette = nullptr;
};
