#include "ui/LogPalette.h"

#include "fw/Exception.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr WORD kPaletteVersion = 0x300;

std::size_t BlockSize(int count) noexcept
{
    return offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * static_cast<std::size_t>(count);
}

} // namespace

CLogPalette::CLogPalette()
{
    m_pPalette = static_cast<LOGPALETTE*>(std::calloc(1, BlockSize(1)));
    if (!m_pPalette)
        AfxThrowMemoryException();
    m_pPalette->palVersion = kPaletteVersion;
    m_pPalette->palNumEntries = 1;
}

CLogPalette::~CLogPalette()
{
    std::free(m_pPalette);
}

void CLogPalette::Resize(int count)
{
    if (count < 0 || count > 0xFFFF)
        AfxThrowNotSupportedException();
    const int before = m_pPalette->palNumEntries;
    // At least one entry's room: the block always has its fixed part.
    auto* block = static_cast<LOGPALETTE*>(std::realloc(m_pPalette, BlockSize(count > 0 ? count : 1)));
    if (!block)
        AfxThrowMemoryException();
    m_pPalette = block;
    if (count > before)
        std::memset(&m_pPalette->palPalEntry[before], 0, sizeof(PALETTEENTRY) * static_cast<std::size_t>(count - before));
    m_pPalette->palVersion = kPaletteVersion;
    m_pPalette->palNumEntries = static_cast<WORD>(count);
}

void CLogPalette::ReadFromDC(HDC dc)
{
    // The selected palette is found by selecting another one in its place.
    auto* current = static_cast<HPALETTE>(::SelectPalette(dc, static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE));
    if (!current) {
        Resize(0);
        return;
    }
    ::SelectPalette(dc, current, FALSE);
    WORD count = 0;
    if (::GetObjectA(current, sizeof count, &count) != sizeof count)
        count = 0;
    Resize(count);
    if (count > 0)
        ::GetPaletteEntries(current, 0, count, m_pPalette->palPalEntry);
}

void CLogPalette::SetEntry(int index, BYTE red, BYTE green, BYTE blue, BYTE flags) noexcept
{
    if (index < 0 || index >= m_pPalette->palNumEntries)
        return;
    PALETTEENTRY& entry = m_pPalette->palPalEntry[index];
    entry.peRed = red;
    entry.peGreen = green;
    entry.peBlue = blue;
    entry.peFlags = flags;
}
