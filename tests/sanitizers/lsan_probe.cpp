// Leaks one block, allocated in a function of a known name, so that a run
// shows whether LeakSanitizer's reports name the functions of a stack (the
// suppressions of Qt's own leaks depend on it). scripts/test runs it first.
#include <cstdio>
#include <cstdlib>

__attribute__((noinline)) void *tellwynProbeLeak()
{
    return std::malloc(42);
}

int main()
{
    void *block = tellwynProbeLeak();
    std::printf("leaked %p\n", block);
    block = nullptr; // the last reference goes: LeakSanitizer finds it at exit
    return 0;
}
