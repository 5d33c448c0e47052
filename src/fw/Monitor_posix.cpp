#include "fw/Monitor.h"

CMonitor::CMonitor() noexcept
{
    pthread_mutex_init(&m_lock, nullptr);
    pthread_cond_init(&m_condition, nullptr);
}

CMonitor::~CMonitor()
{
    pthread_cond_destroy(&m_condition);
    pthread_mutex_destroy(&m_lock);
}

void CMonitor::Lock() noexcept
{
    pthread_mutex_lock(&m_lock);
}

void CMonitor::Unlock() noexcept
{
    pthread_mutex_unlock(&m_lock);
}

void CMonitor::Wait() noexcept
{
    pthread_cond_wait(&m_condition, &m_lock);
}

void CMonitor::NotifyAll() noexcept
{
    pthread_cond_broadcast(&m_condition);
}
