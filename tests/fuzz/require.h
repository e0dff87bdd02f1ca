// A fuzz target's check: a broken invariant aborts, which libFuzzer reports
// with the input that broke it.
#ifndef NIGHTFOLD_FUZZ_REQUIRE_H
#define NIGHTFOLD_FUZZ_REQUIRE_H

#include <stdint.h>
#include <stdlib.h>

#define REQUIRE(cond) \
    do {              \
        if (!(cond))  \
            abort();  \
    } while (0)

// Days from 1970-01-01 to a Gregorian date: the check's own calendar,
// independent of the code under test.
static inline int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = (unsigned)(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (int64_t)doe - 719468;
}

#endif
