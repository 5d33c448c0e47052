#pragma once
// A lock with one condition on it, for two threads that hand work to each
// other. On Windows it is a slim reader/writer lock and a condition variable,
// which Wine serves within the process; a semaphore or an event there costs a
// call to the Wine server for every wait and every wake. Nothing here throws.
#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

class CMonitor {
public:
    CMonitor() noexcept;
    ~CMonitor();
    CMonitor(const CMonitor&) = delete;
    CMonitor& operator=(const CMonitor&) = delete;

    void Lock() noexcept;
    void Unlock() noexcept;
    // Gives up the lock until another thread calls NotifyAll (or, rarely, for
    // no reason: callers wait in a loop on their condition), then takes it again.
    void Wait() noexcept;
    void NotifyAll() noexcept;

    // Holds the lock for a scope; Unlocked lets it go for a part of it.
    class Locked {
    public:
        explicit Locked(CMonitor& monitor) noexcept : m_monitor(monitor) { m_monitor.Lock(); }
        ~Locked() { m_monitor.Unlock(); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;

    private:
        CMonitor& m_monitor;
    };
    class Unlocked {
    public:
        explicit Unlocked(CMonitor& monitor) noexcept : m_monitor(monitor) { m_monitor.Unlock(); }
        ~Unlocked() { m_monitor.Lock(); }
        Unlocked(const Unlocked&) = delete;
        Unlocked& operator=(const Unlocked&) = delete;

    private:
        CMonitor& m_monitor;
    };

private:
#ifdef _WIN32
    SRWLOCK m_lock;
    CONDITION_VARIABLE m_condition;
#else
    pthread_mutex_t m_lock;
    pthread_cond_t m_condition;
#endif
};
