#pragma once
// Writes lines of the install log through WritePrivateProfileStringA on a
// thread of its own, in the order they were given, while the copy step goes
// on with the next file. Under Wine every such call reads, truncates and
// rewrites the whole file (its cache of the file is not trusted within two
// seconds of the file's last change), so a long installation's lines cost
// about as much as its files; this way the two overlap. At most kMaxPending
// lines are queued or being written at a time. Between Start and Finish
// lines are queued; otherwise, and when no thread can be had, each is written
// at once on the calling thread. Built as the codec's second thread is: a
// std::thread and the framework's CMonitor, whose condition variable waits
// without a call to the Wine server where a semaphore makes one per line.
#include "fw/Monitor.h"

#include <deque>
#include <string>
#include <thread>

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

    void Run() noexcept;

    // Notified when a line was queued or written, and when Finish was called.
    CMonitor m_monitor;
    std::deque<Line> m_lines;     // under m_monitor
    LONG m_nPending = 0;          // under m_monitor: queued or being written
    bool m_bStopping = false;     // under m_monitor
    std::thread m_thread;
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
