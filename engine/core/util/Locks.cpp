#include "engine/core/util/Locks.h"

#include <unistd.h>

mutex_locker::~mutex_locker() { pthread_mutex_destroy(&m_mutex); }
void mutex_locker::lock() { pthread_mutex_lock(&m_mutex); }
void mutex_locker::un_lock() { pthread_mutex_unlock(&m_mutex); }

cond_locker::~cond_locker() {
    pthread_cond_destroy(&m_cond);
    pthread_mutex_destroy(&m_mutex);
}

void cond_locker::signal() {
    pthread_mutex_lock(&m_mutex);
    pthread_cond_signal(&m_cond);
    pthread_mutex_unlock(&m_mutex);
}

void cond_locker::broadcast() {
    pthread_mutex_lock(&m_mutex);
    pthread_cond_broadcast(&m_cond);
    pthread_mutex_unlock(&m_mutex);
}

SimpleCs::SimpleCs() {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

SimpleCs::~SimpleCs() { pthread_mutex_destroy(&m_mutex); }

void SimpleCs::EnterCS(char const*) {
    pthread_mutex_lock(&m_mutex);
    ++m_uDepth;
    m_owner.store(gettid(), std::memory_order_relaxed);
}

void SimpleCs::LeaveCS() {
    if (m_uDepth > 0 && --m_uDepth == 0) m_owner.store(0, std::memory_order_relaxed);
    pthread_mutex_unlock(&m_mutex);
}

SimpleLock::SimpleLock(SimpleCs* pCs, char const* pszLabel) : m_pCs(pCs) {
    if (m_pCs) m_pCs->EnterCS(pszLabel);
}

SimpleLock::~SimpleLock() {
    if (m_pCs) m_pCs->LeaveCS();
    m_pCs = nullptr;
}

RWLock::~RWLock() { pthread_rwlock_destroy(&m_lock); }
int RWLock::EnterRead(char const*) { return pthread_rwlock_rdlock(&m_lock); }
int RWLock::LeaveRead() { return pthread_rwlock_unlock(&m_lock); }
int RWLock::EnterWrite(char const*) { return pthread_rwlock_wrlock(&m_lock); }
int RWLock::LeaveWrite() { return pthread_rwlock_unlock(&m_lock); }

ReadLock::ReadLock(RWLock* pLock, char const* pszLabel) : m_pLock(pLock) {
    if (m_pLock) m_pLock->EnterRead(pszLabel);
}

ReadLock::~ReadLock() {
    if (m_pLock) m_pLock->LeaveRead();
    m_pLock = nullptr;
}

WriteLock::WriteLock(RWLock* pLock, char const* pszLabel) : m_pLock(pLock) {
    if (m_pLock) m_pLock->EnterWrite(pszLabel);
}

WriteLock::~WriteLock() {
    if (m_pLock) m_pLock->LeaveWrite();
    m_pLock = nullptr;
}

WaitEvent::~WaitEvent() {
    pthread_cond_destroy(&m_cond);
    pthread_mutex_destroy(&m_mutex);
}

void WaitEvent::EnterWait(int) {
    pthread_mutex_lock(&m_mutex);
    while (!m_bSignalled) pthread_cond_wait(&m_cond, &m_mutex);
    m_bSignalled = false;
    pthread_mutex_unlock(&m_mutex);
}

void WaitEvent::WakeUp() {
    pthread_mutex_lock(&m_mutex);
    m_bSignalled = true;
    pthread_cond_signal(&m_cond);
    pthread_mutex_unlock(&m_mutex);
}
