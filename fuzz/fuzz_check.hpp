// What a fuzz target asserts besides not crashing. A broken property stops the run with the reason on
// stderr and a trap, which libFuzzer reports as a crash and keeps the input for.
#pragma once

#include <cstdio>

#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            __builtin_trap();                                                                 \
        }                                                                                     \
    } while (0)
