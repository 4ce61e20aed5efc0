// SPDX-License-Identifier: MIT
// A failed property in a fuzz target: say which, then abort so that the
// fuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                                    \
    do {                                                                                                                         \
        if (!(condition)) {                                                                                                      \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);                                \
            std::abort();                                                                                                        \
        }                                                                                                                        \
    } while (false)
