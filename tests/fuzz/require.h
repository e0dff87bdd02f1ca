// A fuzz target's check: a broken invariant aborts, which libFuzzer reports
// with the input that broke it.
#ifndef NIGHTFOLD_FUZZ_REQUIRE_H
#define NIGHTFOLD_FUZZ_REQUIRE_H

#include <stdlib.h>

#define REQUIRE(cond) \
    do {              \
        if (!(cond))  \
            abort();  \
    } while (0)

#endif
