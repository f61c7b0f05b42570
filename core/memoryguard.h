#ifndef CORE_MEMORYGUARD_H
#define CORE_MEMORYGUARD_H

#include <new>

// A large cloud or mesh can ask for more memory than the process may have. Readers, builders
// and writers report that as a failed result (bool and message), so that no std::bad_alloc
// leaves them to end the program.
namespace memoryguard {

// Prints "Error: out of memory" on standard output without allocating.
void report();

// iWork's result, or false (after report) when it ran out of memory. Whatever iWork built
// is released by its own destructors while the exception unwinds.
template <typename F>
bool run(F&& iWork)
{
    try {
        return iWork();
    } catch (const std::bad_alloc&) {
        report();
        return false;
    }
}

} // namespace memoryguard

#endif
