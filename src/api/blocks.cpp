// Memory of the tables' columns. A column of a large container holds
// hundreds of megabytes: on Linux its block is mapped memory that grows by
// moving its pages (mremap), not by copying, and whose new pages are made
// present in one call rather than one fault each.
#include <cstdlib>
#include <cstring>
#include <new>

#include "tavro/tavro.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tavro::detail {

namespace {

#if defined(__linux__)
// Blocks from this size on are mapped.
constexpr size_t kMappedBytes = size_t{1} << 16;
constexpr size_t kPage = 4096;

size_t mapped_size(size_t bytes) {
    return (bytes + kPage - 1) & ~(kPage - 1);
}

// Makes the pages of [p, p + n) present and writable at once; a kernel that
// cannot leaves them to be faulted in as they are written.
void populate(void* p, size_t n) {
#if defined(MADV_POPULATE_WRITE)
    madvise(p, n, MADV_POPULATE_WRITE);
#else
    (void)p;
    (void)n;
#endif
}
#endif

}  // namespace

void* grow_block(void* block, size_t old_bytes, size_t new_bytes) {
#if defined(__linux__)
    if (new_bytes >= kMappedBytes) {
        const size_t new_size = mapped_size(new_bytes);
        void* p = nullptr;
        if (block != nullptr && old_bytes >= kMappedBytes) {
            const size_t old_size = mapped_size(old_bytes);
            p = mremap(block, old_size, new_size, MREMAP_MAYMOVE);
            if (p == MAP_FAILED) {
                throw std::bad_alloc();
            }
            populate(static_cast<char*>(p) + old_size, new_size - old_size);
            return p;
        }
        p = mmap(nullptr, new_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            throw std::bad_alloc();
        }
        populate(p, new_size);
        if (block != nullptr) {
            std::memcpy(p, block, old_bytes);
            std::free(block);
        }
        return p;
    }
#endif
    (void)old_bytes;
    void* p = std::realloc(block, new_bytes);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void free_block(void* block, size_t bytes) {
    if (block == nullptr) {
        return;
    }
#if defined(__linux__)
    if (bytes >= kMappedBytes) {
        munmap(block, mapped_size(bytes));
        return;
    }
#endif
    (void)bytes;
    std::free(block);
}

}  // namespace tavro::detail
