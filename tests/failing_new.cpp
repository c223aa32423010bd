#include "failing_new.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace failing_new {

namespace {
std::atomic<long> countdown{0};          // allocations left until the one that fails; 0: none
std::atomic<std::size_t> atLeast{0};     // 0: no size fails
std::atomic<long> made{0};

// True for the one allocation that is to fail; each arming fails one allocation only.
bool Fails(std::size_t size) noexcept {
    long left = countdown.load();
    while (left > 0 && !countdown.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 1) return true;
    std::size_t limit = atLeast.load();
    return limit > 0 && size >= limit && atLeast.compare_exchange_strong(limit, 0);
}
}  // namespace

void FailNth(long nth) noexcept {
    made = 0;
    countdown = nth;
}
void FailAtLeast(std::size_t bytes) noexcept {
    made = 0;
    atLeast = bytes;
}
bool Pending() noexcept { return countdown > 0 || atLeast > 0; }
void Disarm() noexcept {
    countdown = 0;
    atLeast = 0;
}
long Made() noexcept { return made; }

}  // namespace failing_new

void* operator new(std::size_t size) {
    ++failing_new::made;
    if (failing_new::Fails(size)) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
