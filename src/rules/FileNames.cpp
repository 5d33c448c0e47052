#include "rules/FileNames.h"

#include <cstring>

bool IsForbiddenInName(unsigned char c) noexcept
{
    return c < 0x20 || std::strchr("<>\"|?*", c) != nullptr;
}
