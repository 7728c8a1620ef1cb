// The malloc family replaced by counting wrappers around the C library's own
// entry points; operator new and the containers reach them through malloc.
#include "bench/allocation_counter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::uint64_t> allocations{0};

void Count() { allocations.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

namespace kvxbench {

std::uint64_t AllocationCount() { return allocations.load(std::memory_order_relaxed); }

}  // namespace kvxbench

extern "C" {

void* malloc(std::size_t size) noexcept {
  Count();
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
  Count();
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) noexcept {
  Count();
  return __libc_realloc(block, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  Count();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
  Count();
  void* block = __libc_memalign(alignment, size);
  if (block == nullptr) return 12;  // ENOMEM
  *out = block;
  return 0;
}

void free(void* block) noexcept { __libc_free(block); }

}  // extern "C"
