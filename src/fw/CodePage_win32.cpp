#include "fw/CodePage.h"

#include <windows.h>

static_assert(kAnsiCodePage == CP_ACP);

bool AfxIsLeadByte(unsigned codePage, unsigned char c) noexcept
{
    return ::IsDBCSLeadByteEx(codePage, c) != FALSE;
}
