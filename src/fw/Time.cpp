#include "fw/Time.h"

std::string CTime::Format(const char* format) const
{
    std::tm parts{};
#if defined(_WIN32)
    if (localtime_s(&parts, &m_time) != 0)
        return {};
#else
    if (!localtime_r(&m_time, &parts))
        return {};
#endif
    char buffer[256];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &parts);
    return std::string(buffer, n);
}
