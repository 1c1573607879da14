// Whether a Google Benchmark run was stopped by SkipWithError or SkipWithMessage. Benchmark 1.7
// flags that as `error_occurred`; 1.8 and later as `skipped`, an enumeration whose zero is "not
// skipped". A member test picks the field the installed library has.
#pragma once

template <typename BenchmarkRun>
bool RunWasSkipped(const BenchmarkRun& run) {
    if constexpr (requires { run.skipped; }) {
        return run.skipped != decltype(run.skipped){};
    } else {
        return run.error_occurred;
    }
}
