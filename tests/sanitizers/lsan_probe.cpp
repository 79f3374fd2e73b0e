// Leaks one block, allocated in a function of a known name, so that a run
// shows whether LeakSanitizer's reports name the functions of a stack (the
// suppressions of Qt's own leaks depend on it). scripts/test runs it first.
#include <cstdio>
#include <cstdlib>

void *volatile block = nullptr;

// Not inlined, and the store after the call keeps it from becoming a tail
// call: the function keeps its own frame in the allocation's stack.
__attribute__((noinline)) void tellwynProbeLeak()
{
    block = std::malloc(42);
}

int main()
{
    tellwynProbeLeak();
    std::printf("leaked %p\n", block);
    block = nullptr; // the last reference goes: LeakSanitizer finds the block at exit
    return 0;
}
