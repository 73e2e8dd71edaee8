// Benchmarks reported as ratios against a baseline measured in the same run.
#pragma once

// Runs every registered benchmark, then prints each one's time as a multiple of the one
// named `baseline` (for example "BM_Memcpy77440").
int runWithRatios(int argc, char** argv, const char* baseline);
