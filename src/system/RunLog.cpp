#include "system/RunLog.h"

#include <cstdio>

BOOL CRunLog::Open(const std::string& path)
{
    m_file.Reset(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsValid())
        return FALSE;
    if (::GetFileType(m_file.Get()) != FILE_TYPE_DISK) {
        m_file.Reset();
        ::SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    m_strPath = path;
    m_bFailed = false;
    return TRUE;
}

namespace {

void AppendField(std::string& line, const std::string& field)
{
    line += '\t';
    if (field.empty()) {
        line += '-';
        return;
    }
    for (const char c : field)
        line += static_cast<unsigned char>(c) < 32 ? ' ' : c;
}

} // namespace

void CRunLog::Write(const char* kind, std::initializer_list<std::string> fields) noexcept
{
    if (!m_file.IsValid() || m_bFailed)
        return;
    try {
        SYSTEMTIME now{};
        ::GetLocalTime(&now);
        char time[32];
        std::snprintf(time, sizeof time, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay,
                      now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
        std::string line = time;
        AppendField(line, kind);
        for (const std::string& field : fields)
            AppendField(line, field);
        line += "\r\n";
        DWORD written = 0;
        if (!::WriteFile(m_file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
            written != line.size())
            m_bFailed = true;
    } catch (...) {
        m_bFailed = true;
    }
}
