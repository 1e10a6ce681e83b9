#!/usr/bin/env bash
# Sets the machine up, builds both targets (native with benchmarks compiled, not run) and runs every
# test: natively with ctest, again natively under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Windows programs under Wine with ctest, the short crash test and the short large-file
# install check; finally every fuzz target for a short run over its seeds and saved reproducers. Every step is attempted; exits non-zero if any build or test
# failed or a sanitizer or fuzzer reported anything.
#
# Usage: scripts/test.sh   (as root on Debian 12, from anywhere)
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SCRIPTS="$ROOT/scripts"
NATIVE_DIR="${BRIGHTWELL_BUILD_DIR:-$ROOT/build}"
WINDOWS_DIR="${BRIGHTWELL_WIN_BUILD_DIR:-$ROOT/build-win}"
ASAN_DIR="${BRIGHTWELL_ASAN_BUILD_DIR:-$ROOT/build-asan}"
# Seconds each fuzz target runs in the test command.
FUZZ_SECONDS="${BRIGHTWELL_FUZZ_SECONDS:-10}"
# Generous per-program limit so that a hung program fails the run instead of stalling it.
TEST_TIMEOUT=900

summary=()
failures=0
tests_passed=0
tests_failed=0
started=$SECONDS

log() { printf '\n[test] %s\n' "$*"; }

# Runs one step, records its outcome and duration for the summary.
step() {
    local name="$1"
    shift
    local begin=$SECONDS
    log "$name"
    if "$@"; then
        summary+=("$(printf '%-16s ok      %4ds' "$name" $((SECONDS - begin)))")
        return 0
    fi
    summary+=("$(printf '%-16s FAILED  %4ds' "$name" $((SECONDS - begin)))")
    failures=$((failures + 1))
    return 1
}

# Adds ctest's "N% tests passed, F tests failed out of T" counts to the totals.
count_tests() {
    local line total failed
    line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)"
    if [[ -z "$line" ]]; then
        tests_failed=$((tests_failed + 1))
        return
    fi
    failed="$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")"
    total="$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")"
    tests_passed=$((tests_passed + total - failed))
    tests_failed=$((tests_failed + failed))
}

run_ctest() {
    local dir="$1" log_file="$1/test-run.log"
    shift
    "$@" ctest --test-dir "$dir" -V --output-on-failure --no-tests=error --timeout "$TEST_TIMEOUT" \
        2>&1 | tee "$log_file"
    local status=${PIPESTATUS[0]}
    count_tests "$log_file"
    return "$status"
}

# ctest under one Xvfb for the whole run; Wine winds down before the display goes away.
wine_ctest() {
    # shellcheck disable=SC2016 # the inner shell expands its own arguments
    DISPLAY="" "$SCRIPTS/with-xvfb.sh" bash -c '"$@"; status=$?; wineserver -w; exit $status' _ "$@"
}

native_tests() { run_ctest "$NATIVE_DIR"; }
# A sanitizer report ends the program that made it, so it fails that program's ctest entry.
sanitized_tests() {
    local -x ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
    local -x UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    run_ctest "$ASAN_DIR"
}
# Wine runs 32-bit programs through the kernel's i386 support; a kernel built without it refuses
# every i386 executable, so no Windows test can start there at all.
kernel_runs_i386() {
    local output
    output="$(/lib/ld-linux.so.2 --version 2>&1)" && return 0
    [[ "$output" != *"Exec format error"* ]]
}

# The reference server's path conversion uses the same Wine prefix as the programs.
windows_tests() {
    local -x WINEPREFIX="${BRIGHTWELL_WINEPREFIX:-$WINDOWS_DIR/wineprefix}" WINEARCH=win32
    local -x WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if ! "$SCRIPTS/wine-run.sh" --init "$WINDOWS_DIR"; then
        tests_failed=$((tests_failed + 1))
        return 1
    fi
    run_ctest "$WINDOWS_DIR" wine_ctest
}

# The short crash test (scripts/crash-test.sh --all runs every kill point); counted as one test.
crash_test() {
    local options=()
    (($1)) || options=(--native-only)
    if step "crash test" "$SCRIPTS/crash-test.sh" "${options[@]}"; then
        tests_passed=$((tests_passed + 1))
    else
        tests_failed=$((tests_failed + 1))
    fi
}

# The short large-file install check (scripts/install-check.sh alone installs 1.1 GiB); counted as
# one test.
install_check() {
    local options=(--bytes 67108864)
    (($1)) || options+=(--native-only)
    if step "install check" "$SCRIPTS/install-check.sh" "${options[@]}"; then
        tests_passed=$((tests_passed + 1))
    else
        tests_failed=$((tests_failed + 1))
    fi
}

main() {
    step "setup" "$SCRIPTS/setup.sh" || {
        log "setup failed: nothing can be built"
        exit 1
    }
    local native_built=0 windows_built=0
    if step "native build" "$SCRIPTS/build.sh" native; then
        native_built=1
        step "native tests" native_tests
    else
        tests_failed=$((tests_failed + 1))
    fi
    if step "sanitizer build" "$SCRIPTS/build.sh" asan; then
        step "sanitizer tests" sanitized_tests
    else
        tests_failed=$((tests_failed + 1))
    fi
    if step "windows build" "$SCRIPTS/build.sh" windows; then
        if kernel_runs_i386; then
            windows_built=1
            step "windows tests" windows_tests
        else
            log "windows tests skipped: this machine's kernel cannot execute 32-bit programs, so Wine cannot start"
            summary+=("$(printf '%-16s SKIPPED (kernel without 32-bit support)' "windows tests")")
        fi
    else
        tests_failed=$((tests_failed + 1))
    fi
    if ((native_built)); then
        crash_test "$windows_built"
        install_check "$windows_built"
    fi
    step "fuzz" "$SCRIPTS/fuzz.sh" all "$FUZZ_SECONDS" || tests_failed=$((tests_failed + 1))

    log "summary (logs: $NATIVE_DIR/test-run.log, $ASAN_DIR/test-run.log, $WINDOWS_DIR/test-run.log)"
    printf '  %s\n' "${summary[@]}"
    printf '  total %ds\n' $((SECONDS - started))
    # Counts are ctest's test programs of the three builds, the crash test and the install check; a
    # build that failed, or a fuzz run that found a fault, counts as one failure.
    printf 'Tests: %d passed, %d failed\n' "$tests_passed" "$tests_failed"
    [[ $failures -eq 0 ]]
}

main "$@"
