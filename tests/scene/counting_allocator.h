// A global allocator that counts, while `counting` is set, every operator new and every malloc,
// calloc and realloc of the code linked with --wrap=malloc,calloc,realloc.
#pragma once

namespace counting_allocator {
extern bool counting;
extern long allocations;
}  // namespace counting_allocator
