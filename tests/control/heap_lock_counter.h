#pragma once

// Heap calls and mutex locks made on the calling thread, counted by replacements of malloc, free
// and pthread_mutex_lock (heap_lock_counter.cpp, linked only where no sanitizer runs).
namespace vortane::test {

void StartCounting();
long StopCounting(); // heap calls and locks since StartCounting

// Heap calls and locks made by body. Assertions allocate: none inside.
template <typename Body> long CountHeapCallsAndLocks(Body&& body) {
    StartCounting();
    body();
    return StopCounting();
}

} // namespace vortane::test
