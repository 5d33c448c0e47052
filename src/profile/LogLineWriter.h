#pragma once
// Writes lines of the install log through WritePrivateProfileStringA on a
// thread of its own, in the order they were given, while the copy step goes
// on with the next file. Under Wine every such call reads, truncates and
// rewrites the whole file, so a long installation's lines cost about as much
// as its files; this way the two overlap. At most kMaxPending lines wait at a
// time. Between Start and Finish lines are queued; otherwise, and when no
// thread can be had, each is written at once on the calling thread.
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

class CLogLineWriter {
public:
    static constexpr std::size_t kMaxPending = 16;

    CLogLineWriter() = default;
    CLogLineWriter(const CLogLineWriter&) = delete;
    CLogLineWriter& operator=(const CLogLineWriter&) = delete;
    // Writes what is queued.
    ~CLogLineWriter() { Finish(); }

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

    std::mutex m_mutex;
    std::condition_variable m_lineQueued;
    std::condition_variable m_lineWritten;
    std::deque<Line> m_lines;
    bool m_bStopping = false;
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
