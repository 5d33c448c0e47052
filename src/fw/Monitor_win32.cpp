#include "fw/Monitor.h"

CMonitor::CMonitor() noexcept
{
    ::InitializeSRWLock(&m_lock);
    ::InitializeConditionVariable(&m_condition);
}

CMonitor::~CMonitor() = default;

void CMonitor::Lock() noexcept
{
    ::AcquireSRWLockExclusive(&m_lock);
}

void CMonitor::Unlock() noexcept
{
    ::ReleaseSRWLockExclusive(&m_lock);
}

void CMonitor::Wait() noexcept
{
    ::SleepConditionVariableSRW(&m_condition, &m_lock, INFINITE, 0);
}

void CMonitor::NotifyAll() noexcept
{
    ::WakeAllConditionVariable(&m_condition);
}
