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
    m_hQueued.Reset(::CreateSemaphoreA(nullptr, 0, kMaxPending + 1, nullptr));
    m_hRoom.Reset(::CreateSemaphoreA(nullptr, kMaxPending, kMaxPending, nullptr));
    // Without a thread every line is written at once.
    if (m_hQueued && m_hRoom) {
        DWORD id = 0;
        m_hThread.Reset(::CreateThread(nullptr, 0, ThreadProc, this, 0, &id));
    }
}

void CLogLineWriter::Finish() noexcept
{
    if (!m_hThread)
        return;
    {
        const CLock lock(m_lock);
        m_bStopping = true;
    }
    ::ReleaseSemaphore(m_hQueued.Get(), 1, nullptr);
    ::WaitForSingleObject(m_hThread.Get(), INFINITE);
    m_hThread.Reset();
}

BOOL CLogLineWriter::Write(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value)
{
    if (!m_hThread)
        return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
    Line line{file, section, key, value};
    ::WaitForSingleObject(m_hRoom.Get(), INFINITE);
    try {
        const CLock lock(m_lock);
        m_lines.push_back(std::move(line));
    } catch (...) {
        ::ReleaseSemaphore(m_hRoom.Get(), 1, nullptr);
        throw;
    }
    ::ReleaseSemaphore(m_hQueued.Get(), 1, nullptr);
    return TRUE;
}

DWORD WINAPI CLogLineWriter::ThreadProc(LPVOID self) noexcept
{
    static_cast<CLogLineWriter*>(self)->Run();
    return 0;
}

void CLogLineWriter::Run() noexcept
{
    // One count of m_hQueued per line, and one more once Finish has been
    // called: the queue is empty at that one only when every line is written.
    for (;;) {
        ::WaitForSingleObject(m_hQueued.Get(), INFINITE);
        Line line;
        {
            const CLock lock(m_lock);
            if (m_lines.empty()) {
                if (m_bStopping)
                    return;
                continue;
            }
            line = std::move(m_lines.front());
            m_lines.pop_front();
        }
        ::WritePrivateProfileStringA(line.section.c_str(), line.key.c_str(), line.value.c_str(), line.file.c_str());
        ::ReleaseSemaphore(m_hRoom.Get(), 1, nullptr);
    }
}
