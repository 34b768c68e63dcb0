#pragma once
// The engine's lock classes: thin wrappers over POSIX threads, none of them copyable.
//
// | class                     | holds                                   | recursive |
// | mutex_locker / autolocker | a default mutex / a scoped hold on one  | no        |
// | cond_locker               | a condition variable and its mutex      | no        |
// | SimpleCs / SimpleLock     | a mutex and its owner / a scoped hold   | yes       |
// | RWLock / ReadLock, WriteLock | a read-write lock / scoped holds     | -         |
// | WaitEvent                 | an auto-reset event                     | -         |
//
// The char const* arguments are labels for the caller's benefit; nothing reads them.
#include <pthread.h>
#include <sys/types.h>

#include <atomic>

/// Base of the lock classes: no copies, destroyed through the base.
class none_copyable {
public:
    none_copyable(none_copyable const&) = delete;
    none_copyable& operator=(none_copyable const&) = delete;
    virtual ~none_copyable() = default;

protected:
    none_copyable() = default;
};

/// One default (non-recursive) mutex.
class mutex_locker : public none_copyable {
public:
    mutex_locker() = default;
    ~mutex_locker() override;

    void lock();
    void un_lock();

private:
    pthread_mutex_t m_mutex = PTHREAD_MUTEX_INITIALIZER;
};

/// Holds a mutex_locker from construction to destruction.
class autolocker : public none_copyable {
public:
    explicit autolocker(mutex_locker& locker) : m_locker(locker) { m_locker.lock(); }
    ~autolocker() override { m_locker.un_lock(); }

private:
    mutex_locker& m_locker;
};

/// A condition variable with its own (non-recursive) mutex. The waiter's predicate is evaluated
/// under that mutex and the signals take it too, so a signal given after the state changed and
/// before the waiter sleeps is never lost: the waiter sees the new state first.
class cond_locker : public none_copyable {
public:
    cond_locker() = default;
    ~cond_locker() override;

    /// Returns once ready() answers true; ready() runs with the mutex held, before and after
    /// every wake-up. Must not be called while holding this object's mutex.
    template <class Predicate>
    void wait_until(Predicate ready) {
        pthread_mutex_lock(&m_mutex);
        while (!ready()) pthread_cond_wait(&m_cond, &m_mutex);
        pthread_mutex_unlock(&m_mutex);
    }
    /// Wakes one waiter; call after changing the state its predicate reads.
    void signal();
    /// Wakes every waiter.
    void broadcast();

private:
    pthread_mutex_t m_mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t m_cond = PTHREAD_COND_INITIALIZER;
};

/// A recursive mutex that records the thread holding it.
class SimpleCs : public none_copyable {
public:
    SimpleCs();
    ~SimpleCs() override;

    /// Locks (again, on the owning thread) and records the caller as owner.
    void EnterCS(char const* pszLabel = nullptr);
    /// Undoes one EnterCS; the owner is cleared when the last one is undone.
    void LeaveCS();
    /// The kernel thread id of the owner; 0 while free.
    pid_t GetOwner() const { return m_owner.load(std::memory_order_relaxed); }

private:
    pthread_mutex_t m_mutex;
    std::atomic<pid_t> m_owner{0};
    unsigned m_uDepth = 0;  // changed only by the owner, under m_mutex
};

/// Enters a SimpleCs for its lifetime; a null pointer makes it do nothing.
class SimpleLock : public none_copyable {
public:
    explicit SimpleLock(SimpleCs* pCs, char const* pszLabel = nullptr);
    ~SimpleLock() override;

private:
    SimpleCs* m_pCs;
};

/// A read-write lock with default attributes; each operation returns the POSIX call's result.
class RWLock : public none_copyable {
public:
    RWLock() = default;
    ~RWLock() override;

    int EnterRead(char const* pszLabel = nullptr);
    int LeaveRead();
    int EnterWrite(char const* pszLabel = nullptr);
    int LeaveWrite();

private:
    pthread_rwlock_t m_lock = PTHREAD_RWLOCK_INITIALIZER;
};

/// Holds the read side of an RWLock for its lifetime; a null pointer makes it do nothing.
class ReadLock : public none_copyable {
public:
    explicit ReadLock(RWLock* pLock, char const* pszLabel = nullptr);
    ~ReadLock() override;

private:
    RWLock* m_pLock;
};

/// Holds the write side of an RWLock for its lifetime; a null pointer makes it do nothing.
class WriteLock : public none_copyable {
public:
    explicit WriteLock(RWLock* pLock, char const* pszLabel = nullptr);
    ~WriteLock() override;

private:
    RWLock* m_pLock;
};

/// An auto-reset event. A WakeUp is remembered until a waiter takes it, so a WakeUp that comes
/// before EnterWait is not lost (a bare condition variable would drop it and the waiter would
/// hang); several WakeUps before a wait count as one.
class WaitEvent : public none_copyable {
public:
    WaitEvent() = default;
    ~WaitEvent() override;

    /// Waits for a WakeUp and consumes it. The time-out argument is not used: no time limit.
    void EnterWait(int iTimeoutMs = -1);
    /// Signals the event: wakes one waiter, or the next one to come.
    void WakeUp();

private:
    pthread_mutex_t m_mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t m_cond = PTHREAD_COND_INITIALIZER;
    bool m_bSignalled = false;  // guarded by m_mutex
};
