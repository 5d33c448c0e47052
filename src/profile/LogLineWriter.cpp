#include "profile/LogLineWriter.h"

#include <system_error>
#include <utility>

CLogLineWriter::CLogLineWriter() noexcept = default;

CLogLineWriter::~CLogLineWriter()
{
    Finish();
}

void CLogLineWriter::Start() noexcept
{
    if (m_thread.joinable())
        return;
    m_bStopping = false;
    // Without a thread every line is written at once.
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
    }
}

void CLogLineWriter::Finish() noexcept
{
    if (!m_thread.joinable())
        return;
    {
        const CMonitor::Locked locked(m_monitor);
        m_bStopping = true;
        m_monitor.NotifyAll();
    }
    m_thread.join();
}

BOOL CLogLineWriter::Write(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value)
{
    if (!m_thread.joinable())
        return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
    Line line{file, section, key, value};
    const CMonitor::Locked locked(m_monitor);
    while (m_nPending >= kMaxPending)
        m_monitor.Wait();
    m_lines.push_back(std::move(line));
    ++m_nPending;
    m_monitor.NotifyAll();
    return TRUE;
}

void CLogLineWriter::Run() noexcept
{
    // Finish sets m_bStopping once the last line is given: the thread ends
    // when it finds the queue empty after that.
    const CMonitor::Locked locked(m_monitor);
    for (;;) {
        while (m_lines.empty() && !m_bStopping)
            m_monitor.Wait();
        if (m_lines.empty())
            return;
        Line line = std::move(m_lines.front());
        m_lines.pop_front();
        {
            const CMonitor::Unlocked unlocked(m_monitor);
            ::WritePrivateProfileStringA(line.section.c_str(), line.key.c_str(), line.value.c_str(),
                                         line.file.c_str());
        }
        --m_nPending;
        m_monitor.NotifyAll();
    }
}
