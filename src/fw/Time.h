#pragma once
// A point in time in seconds since 1970, formatted in local time.
#include <ctime>
#include <string>

class CTime {
public:
    CTime() noexcept = default;
    explicit CTime(std::time_t t) noexcept : m_time(t) {}
    static CTime GetCurrentTime() noexcept { return CTime(std::time(nullptr)); }
    std::time_t GetTime() const noexcept { return m_time; }
    // strftime of the local time; empty when the time cannot be converted.
    std::string Format(const char* format) const;

private:
    std::time_t m_time = 0;
};
