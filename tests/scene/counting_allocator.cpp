// The replacement operators new and delete live in a file of their own: defined beside a
// new-expression, they are inlined into it, and the compiler then sees free() called on memory
// from operator new. Here every block of both comes from malloc (or aligned_alloc) and goes back
// to free.
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

// Every replaceable form is replaced, so that each block is counted and released by its own
// pair: a form left out (the nothrow ones, which GoogleTest uses) would come from the runtime's
// allocator, ASan's in the sanitizer build, and reach free() below as a mismatched block.
void* operator new(size_t size) {
    if (void* block = __real_malloc(size ? size : 1)) return Counted(block);
    throw std::bad_alloc();
}
void* operator new(size_t size, std::align_val_t alignment) {
    // aligned_alloc wants a size that is a multiple of the alignment.
    const size_t align = static_cast<size_t>(alignment);
    const size_t rounded = size ? (size + align - 1) / align * align : align;
    if (rounded >= size) {
        if (void* block = std::aligned_alloc(align, rounded)) return Counted(block);
    }
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new[](size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try { return operator new(size); } catch (const std::bad_alloc&) { return nullptr; }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try { return operator new(size); } catch (const std::bad_alloc&) { return nullptr; }
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try { return operator new(size, alignment); } catch (const std::bad_alloc&) { return nullptr; }
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try { return operator new(size, alignment); } catch (const std::bad_alloc&) { return nullptr; }
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
