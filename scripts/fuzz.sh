#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) in
# build-fuzz/, writes their seed corpora, and runs one target or all of them for a given time each
# over the seeds, the saved reproducers (fuzz/regressions/<target>/) and the working corpus
# (build-fuzz/corpus/<target>/, which grows run after run). A crashing input is written to
# build-fuzz/findings/<target>/; keep it as a reproducer once the fault is fixed. Exits non-zero
# when the build fails or any target finds a fault.
#
# Usage: scripts/fuzz.sh [target|all] [seconds]   (default: all, 20)
# BRIGHTWELL_FUZZ_DIR moves the build folder; BRIGHTWELL_JOBS sets the build's parallel jobs and
# how many targets run at once.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BRIGHTWELL_FUZZ_DIR:-$ROOT/build-fuzz}"
JOBS="${BRIGHTWELL_JOBS:-$(nproc)}"
TARGETS=(ZipPackageFuzzer XMLArchiveFuzzer XMLNestingFuzzer HttpReplyFuzzer TextHelpersFuzzer
    ReleaseSignatureFuzzer)
SANITIZERS="-fsanitize=address,undefined -fno-sanitize-recover=undefined"

log() { printf '\n[fuzz] %s\n' "$*"; }

known_target() {
    local target
    for target in "${TARGETS[@]}"; do
        [[ "$target" == "$1" ]] && return 0
    done
    return 1
}

build() {
    log "clang build in $BUILD_DIR"
    CC=clang CXX=clang++ cmake -G Ninja -S "$ROOT" -B "$BUILD_DIR" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIGHTWELL_WERROR=ON \
        -DBRIGHTWELL_TESTS=OFF -DBRIGHTWELL_BENCH=OFF -DBRIGHTWELL_FUZZ=ON \
        -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link $SANITIZERS" \
        -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $SANITIZERS" \
        -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1" >/dev/null &&
        cmake --build "$BUILD_DIR" -j "$JOBS" --target "${TARGETS[@]}" MakeFuzzSeeds &&
        rm -rf "$BUILD_DIR/seeds" &&
        "$BUILD_DIR/fuzz/MakeFuzzSeeds" "$BUILD_DIR/seeds"
}

# Runs one target; prints libFuzzer's closing figures and returns its status.
run_target() {
    local target="$1" seconds="$2" status
    local corpus="$BUILD_DIR/corpus/$target" findings="$BUILD_DIR/findings/$target/"
    local regressions="$ROOT/fuzz/regressions/$target"
    mkdir -p "$corpus" "$findings" "$regressions"
    log "$target for ${seconds}s"
    # The working corpus comes first: libFuzzer adds new inputs to the first folder only.
    "$BUILD_DIR/fuzz/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings" \
        "$corpus" "$BUILD_DIR/seeds/$target" "$regressions" >"$BUILD_DIR/$target.log" 2>&1
    status=$?
    grep -E '^(stat::number_of_executed_units|stat::new_units_added|SUMMARY|==[0-9]+==ERROR)' \
        "$BUILD_DIR/$target.log"
    if [[ $status -ne 0 ]]; then
        tail -n 40 "$BUILD_DIR/$target.log"
        log "$target FAILED (log: $BUILD_DIR/$target.log, input in $findings)"
    fi
    return "$status"
}

failed=()
running=()

# Waits for the running targets and prints their reports in the order they started.
collect() {
    local entry
    for entry in "${running[@]}"; do
        wait "${entry#*:}" || failed+=("${entry%%:*}")
        cat "$BUILD_DIR/${entry%%:*}.report"
    done
    running=()
}

main() {
    local which="${1:-all}" seconds="${2:-20}" target
    if [[ "$which" != all ]] && ! known_target "$which"; then
        echo "usage: $0 [all|${TARGETS[*]// /|}] [seconds]" >&2
        exit 2
    fi
    build || {
        log "build FAILED"
        exit 1
    }
    # Each fuzzer keeps one core busy: JOBS of them run side by side.
    for target in "${TARGETS[@]}"; do
        [[ "$which" == all || "$which" == "$target" ]] || continue
        run_target "$target" "$seconds" >"$BUILD_DIR/$target.report" 2>&1 &
        running+=("$target:$!")
        ((${#running[@]} < JOBS)) || collect
    done
    collect
    if [[ ${#failed[@]} -gt 0 ]]; then
        log "faults found by: ${failed[*]}"
        exit 1
    fi
    log "no faults found"
}

main "$@"
