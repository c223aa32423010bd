// An operator new for a test program that fails one allocation of the test's choosing,
// so that a test can show what the code does when memory runs out at that point. Linking
// failing_new.cpp into a test program replaces the program's operator new.
#pragma once

#include <cstddef>

namespace failing_new {

// The nth allocation from now (1: the next one) throws std::bad_alloc. Counting of
// Made() starts again.
void FailNth(long nth) noexcept;
// The next allocation of at least this many bytes throws std::bad_alloc.
void FailAtLeast(std::size_t bytes) noexcept;
// Whether the allocation asked to fail is still to come.
bool Pending() noexcept;
// Nothing fails any more.
void Disarm() noexcept;
// Allocations made since the last FailNth or FailAtLeast.
long Made() noexcept;

}  // namespace failing_new
