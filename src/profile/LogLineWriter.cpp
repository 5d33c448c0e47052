#include "profile/LogLineWriter.h"

namespace {

class CLock {
public:
    explicit CLock(CRITICAL_SECTION& section) noexcept : m_section(section) { ::EnterCriticalSection(&m_section); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;
    ~CLock() { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION& m_section;
};

} // namespace

CLogLineWriter::CLogLineWriter() noexcept
{
    ::InitializeCriticalSection(&m_lock);
    ::InitializeConditionVariable(&m_queued);
    ::InitializeConditionVariable(&m_room);
}

CLogLineWriter::~CLogLineWriter()
{
    Finish();
    ::DeleteCriticalSection(&m_lock);
}

void CLogLineWriter::Start() noexcept
{
    if (m_hThread)
        return;
    m_bStopping = false;
    // Without a thread every line is written at once.
    DWORD id = 0;
    m_hThread.Reset(::CreateThread(nullptr, 0, ThreadProc, this, 0, &id));
}

void CLogLineWriter::Finish() noexcept
{
    if (!m_hThread)
        return;
    {
        const CLock lock(m_lock);
        m_bStopping = true;
    }
    ::WakeConditionVariable(&m_queued);
    ::WaitForSingleObject(m_hThread.Get(), INFINITE);
    m_hThread.Reset();
}

BOOL CLogLineWriter::Write(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value)
{
    if (!m_hThread)
        return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
    Line line{file, section, key, value};
    {
        const CLock lock(m_lock);
        while (m_nPending >= kMaxPending)
            ::SleepConditionVariableCS(&m_room, &m_lock, INFINITE);
        m_lines.push_back(std::move(line));
        ++m_nPending;
    }
    ::WakeConditionVariable(&m_queued);
    return TRUE;
}

DWORD WINAPI CLogLineWriter::ThreadProc(LPVOID self) noexcept
{
    static_cast<CLogLineWriter*>(self)->Run();
    return 0;
}

void CLogLineWriter::Run() noexcept
{
    // Finish sets m_bStopping once the last line is given: the thread ends
    // when it finds the queue empty after that.
    for (;;) {
        Line line;
        {
            const CLock lock(m_lock);
            while (m_lines.empty() && !m_bStopping)
                ::SleepConditionVariableCS(&m_queued, &m_lock, INFINITE);
            if (m_lines.empty())
                return;
            line = std::move(m_lines.front());
            m_lines.pop_front();
        }
        ::WritePrivateProfileStringA(line.section.c_str(), line.key.c_str(), line.value.c_str(), line.file.c_str());
        {
            const CLock lock(m_lock);
            --m_nPending;
        }
        ::WakeConditionVariable(&m_room);
    }
}
