#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) into build-fuzz/ (or $FUZZ_BUILD_DIR)
# and runs each for the given number of seconds (default 60), one after another.
# Prints per target the executions and the findings; exits 1 when anything was found.
# Crashing inputs land in <build>/findings/<target>/; the committed seeds stay untouched.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
all_targets=(settings_file readback entry_rules upload scpi journal_rows hand_over tcp_table)
targets=("${@:-${all_targets[@]}}")

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQLM_FUZZ=ON -DQLM_BUILD_TESTS=OFF >/dev/null
names=()
for target in "${targets[@]}"; do names+=("fuzz_$target"); done
if ! cmake --build "$build" --parallel "$(nproc)" --target "${names[@]}" >"$build/build.log" 2>&1; then
    cat "$build/build.log" >&2
    exit 2
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
printf '%-16s %14s %9s %9s\n' target executions 'per s' findings
for target in "${targets[@]}"; do
    work=$build/corpus/$target
    findings=$build/findings/$target
    mkdir -p "$work" "$findings"
    log=$build/fuzz_$target.log
    # New inputs go to the work corpus; the seeds are only read.
    # A SCPI line of 128 bytes holds a dozen commands; longer ones cost the fuzzer a quarter
    # of its pace, and the line limit has tests of its own.
    options=()
    [ "$target" = scpi ] && options=(-max_len=128)
    set +e
    "$build/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 "${options[@]}" \
        -artifact_prefix="$findings/" "$work" "$root/fuzz/corpus/$target" >"$log" 2>&1
    rc=$?
    set -e
    executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    found=$(find "$findings" -type f | wc -l)
    pace=$(grep -o 'DONE .*exec/s: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
    printf '%-16s %14s %9s %9s\n' "$target" "${executions:-?}" "${pace:-?}" "$found"
    if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
        status=1
        echo "  see $log and $findings/" >&2
        grep -m5 -E 'check failed|ERROR: |runtime error' "$log" | sed 's/^/  /' >&2 || true
    fi
done
exit "$status"
