#include "counting_new.h"

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <new>
#include <pthread.h>

namespace {

thread_local std::size_t allocations = 0;
thread_local std::size_t locks = 0;

} // namespace

namespace {

using LockFunction = int (*)(pthread_mutex_t*);
std::atomic<LockFunction> realLock{nullptr};

} // namespace

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    ++locks;
    LockFunction lock = realLock.load(std::memory_order_relaxed);
    if (lock == nullptr) {
        // The next definition after this program's: the C library's (or a
        // sanitizer's wrapper of it).
        lock = reinterpret_cast<LockFunction>(::dlsym(RTLD_NEXT, "pthread_mutex_lock")); // NOLINT
        realLock.store(lock, std::memory_order_relaxed);
    }
    return lock(mutex);
}

// Malloc-backed on purpose, so the pairing with free below is intended.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t /*size*/) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t /*size*/) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

namespace norvane::test_support {

std::size_t threadAllocations() noexcept
{
    return allocations;
}

std::size_t threadMutexLocks() noexcept
{
    return locks;
}

} // namespace norvane::test_support
