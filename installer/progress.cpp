#include "installer/progress.h"

int NextRandomFrom(uint32_t* state) {
    *state = *state * 214013u + 2531011u;
    return static_cast<int>((*state >> 16) & kRandomMax);
}

int NextRandom() {
    // Kept as its distance from the seed: zero at start, so the program needs no initialised
    // data for it.
    static uint32_t fromSeed;
    uint32_t state = fromSeed + kRandomSeed;
    int r = NextRandomFrom(&state);
    fromSeed = state - kRandomSeed;
    return r;
}

int ProgressStep(int r) {
    return 1 + 2 * r / kRandomMax;
}

int AdvanceProgress(int percent, int r) {
    int next = percent + ProgressStep(r);
    return next >= 100 ? 100 : next;
}
