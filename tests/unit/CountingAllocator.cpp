// Replaces the global allocation functions of the unit-test binary with ones that count, so a
// test can compare the allocations of two runs. Kept in its own file: where the compiler can see
// these definitions it inlines them into callers and then mistakes the free for a mismatch.
#include <atomic>
#include <cstdlib>
#include <new>

#include "CountingAllocator.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

long allocationCount() { return allocations.load(std::memory_order_relaxed); }

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
