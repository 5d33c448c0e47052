#include "fw/Exception.h"

// On POSIX the operating-system error is errno itself.
int CFileException::OsErrorToCause(long osError) noexcept
{
    return osError == 0 ? none : ErrnoToCause(static_cast<int>(osError));
}
