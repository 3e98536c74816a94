// Critical sections: recursive pthread mutexes kept in the caller's opaque storage.
#include <pthread.h>

#include "kernel/threads/Sync.h"

namespace {

static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::opaque),
              "a pthread mutex must fit in a CRITICAL_SECTION");
static_assert(alignof(pthread_mutex_t) <= alignof(CRITICAL_SECTION));

pthread_mutex_t* mutexOf(CRITICAL_SECTION* section) {
    return reinterpret_cast<pthread_mutex_t*>(section->opaque);
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutexOf(section), &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_destroy(mutexOf(section));
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_lock(mutexOf(section));
}

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) {
    return pthread_mutex_trylock(mutexOf(section)) == 0 ? TRUE : FALSE;
}

void LeaveCriticalSection(CRITICAL_SECTION* section) {
    pthread_mutex_unlock(mutexOf(section));
}
