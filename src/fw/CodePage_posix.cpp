#include "fw/CodePage.h"

bool AfxIsLeadByte(unsigned codePage, unsigned char c) noexcept
{
    switch (codePage) {
    case 932:  // Japanese (Shift-JIS)
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:  // Simplified Chinese (GBK)
    case 949:  // Korean (Unified Hangul)
    case 950:  // Traditional Chinese (Big5)
        return c >= 0x81 && c <= 0xFE;
    default:
        return false;
    }
}
