#pragma once
// Writes lines of the install log through WritePrivateProfileStringA on a
// thread of its own, in the order they were given, while the copy step goes
// on with the next file. Under Wine every such call reads, truncates and
// rewrites the whole file (its cache of the file is not trusted within two
// seconds of the file's last change), so a long installation's lines cost
// about as much as its files; this way the two overlap. At most kMaxPending
// lines are queued or being written at a time. Between Start and Finish
// lines are queued; otherwise, and when no thread can be had, each is written
// at once on the calling thread. Built on
// the system's own threads, critical sections and condition variables, which
// wait without a call to the Wine server where semaphores make one per line.
#include "fw/Handle.h"

#include <deque>
#include <string>

class CLogLineWriter {
public:
    static constexpr LONG kMaxPending = 16;

    CLogLineWriter() noexcept;
    CLogLineWriter(const CLogLineWriter&) = delete;
    CLogLineWriter& operator=(const CLogLineWriter&) = delete;
    // Writes what is queued.
    ~CLogLineWriter();

    // From now on lines are queued for the thread.
    void Start() noexcept;
    // Returns once every line given so far is written; later lines are
    // written at once again.
    void Finish() noexcept;
    // One line, queued or written now. The result of a queued line's write
    // is not known: TRUE.
    BOOL Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value);

private:
    struct Line {
        std::string file, section, key, value;
    };

    static DWORD WINAPI ThreadProc(LPVOID self) noexcept;
    void Run() noexcept;

    CRITICAL_SECTION m_lock;
    CONDITION_VARIABLE m_queued;  // a line was queued, or Finish was called
    CONDITION_VARIABLE m_room;    // a line was written
    std::deque<Line> m_lines;     // under m_lock
    LONG m_nPending = 0;          // under m_lock: queued or being written
    bool m_bStopping = false;     // under m_lock
    CHandle m_hThread;
};

// Start for the lifetime of a scope, Finish at its end however it ends.
class CLogLineScope {
public:
    explicit CLogLineScope(CLogLineWriter& writer) noexcept : m_writer(writer) { m_writer.Start(); }
    CLogLineScope(const CLogLineScope&) = delete;
    CLogLineScope& operator=(const CLogLineScope&) = delete;
    ~CLogLineScope() { m_writer.Finish(); }

private:
    CLogLineWriter& m_writer;
};
