#include "profile/LogLineWriter.h"

#include <system_error>

void CLogLineWriter::Start() noexcept
{
    if (m_thread.joinable())
        return;
    m_bStopping = false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread: every line is written at once.
    }
}

void CLogLineWriter::Finish() noexcept
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_lineQueued.notify_one();
    m_thread.join();
}

BOOL CLogLineWriter::Write(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value)
{
    if (!m_thread.joinable())
        return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_lineWritten.wait(lock, [this] { return m_lines.size() < kMaxPending; });
        m_lines.push_back(Line{file, section, key, value});
    }
    m_lineQueued.notify_one();
    return TRUE;
}

void CLogLineWriter::Run() noexcept
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_lineQueued.wait(lock, [this] { return !m_lines.empty() || m_bStopping; });
        if (m_lines.empty())
            return;  // stopping, and all written
        const Line line = std::move(m_lines.front());
        m_lines.pop_front();
        lock.unlock();
        ::WritePrivateProfileStringA(line.section.c_str(), line.key.c_str(), line.value.c_str(), line.file.c_str());
        lock.lock();
        m_lineWritten.notify_one();
    }
}
