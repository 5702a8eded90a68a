#pragma once
// A bound on the work of one run, built only into the fuzz targets: every
// loop iteration and every call takes a step, and once the steps are spent
// each further one fails the run as a fatal error, which no handler
// outlives. Since a program can only repeat itself through loops and calls,
// every run then ends, however its loops are written. Other builds have no
// bound and pay nothing for it.

#include <cstdint>

namespace vorlan::runtime {

#if defined(VORLAN_RUN_BUDGET)
inline uint64_t gRunStepsLeft = UINT64_MAX;

inline void SetRunBudget(uint64_t steps) { gRunStepsLeft = steps; }
// False when the run has no steps left.
inline bool TakeRunStep() {
    if (gRunStepsLeft == 0) return false;
    --gRunStepsLeft;
    return true;
}
#else
constexpr bool TakeRunStep() { return true; }
#endif

}  // namespace vorlan::runtime
