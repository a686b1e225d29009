#include "cli/entry.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// How an interrupted run ends once its temporary files are gone: at once,
// without destructors, while other threads may still be writing.
[[noreturn]] void end_process(int code) {
#if defined(_WIN32)
    ExitProcess(static_cast<UINT>(code));
#else
    ::_exit(code);
#endif
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Every tag allocates its stream buffers (up to a megabyte each) afresh.
    // Left to the defaults, freed buffers go back to the system and the next
    // tag pays a page fault per 4 KiB to get them again; kept in the heap they
    // are reused as they are. Peak memory does not change: the buffers of one
    // tag are freed before the next tag's are taken.
    mallopt(M_MMAP_THRESHOLD, 8 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    return dec::program_main(argc, argv, end_process);
}
