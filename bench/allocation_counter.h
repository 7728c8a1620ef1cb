// Counts the heap allocations of the whole program (malloc and everything
// built on it, operator new included) so that a benchmark can prove a path
// allocates nothing.
#pragma once

#include <cstdint>

namespace kvxbench {

std::uint64_t AllocationCount();

}  // namespace kvxbench
