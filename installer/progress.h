#pragma once
// The simulated progress of the install: a fixed pseudo-random sequence of steps of 1 to 3
// percent, the same on every run.

#include <stdint.h>

enum { kRandomSeed = 1, kRandomMax = 32767 };

// A linear congruential generator over `*state`: bits 16 to 30 of the new state, 0 to 32767.
int NextRandomFrom(uint32_t* state);

// The installer's own generator, starting at kRandomSeed and never reseeded.
int NextRandom();

// The step for a draw r: 1 + (2r / 32767), so 1, 2 or (for r = 32767 only) 3.
int ProgressStep(int r);

// `percent` advanced by the step for r, never beyond 100.
int AdvanceProgress(int percent, int r);
