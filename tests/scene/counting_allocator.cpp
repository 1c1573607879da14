// The replacement operators new and delete live in a file of their own: defined beside a
// new-expression, they are inlined into it, and the compiler then sees free() called on memory
// from operator new. Here every block of both comes from malloc and goes back to free.
#include "tests/scene/counting_allocator.h"

#include <cstdlib>
#include <new>

namespace counting_allocator {
bool counting = false;
long allocations = 0;
}  // namespace counting_allocator

namespace {
void* Counted(void* block) {
    if (counting_allocator::counting) ++counting_allocator::allocations;
    return block;
}
}  // namespace

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void* __wrap_malloc(size_t size) { return Counted(__real_malloc(size)); }
void* __wrap_calloc(size_t count, size_t size) { return Counted(__real_calloc(count, size)); }
void* __wrap_realloc(void* block, size_t size) { return Counted(__real_realloc(block, size)); }
}

// The ordinary and the nothrow forms are all replaced, so that each block is counted and
// released by its own pair: a form left out (the nothrow ones, which GoogleTest uses) would come
// from the runtime's allocator, ASan's in the sanitizer build, and reach free() below as a
// mismatched block. The over-aligned forms keep the runtime's own pair: nothing in the program
// is over-aligned, and the Windows C runtime has no aligned_alloc to replace them with.
void* operator new(size_t size) {
    if (void* block = __real_malloc(size ? size : 1)) return Counted(block);
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try { return operator new(size); } catch (const std::bad_alloc&) { return nullptr; }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try { return operator new(size); } catch (const std::bad_alloc&) { return nullptr; }
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
