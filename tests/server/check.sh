# Sourced by the server scripts' checks: counts each expectation and prints the ones that fail.
passed=0
failed=0

check() {
    local what="$1" expected="$2" actual="$3"
    if [[ "$expected" == "$actual" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$what" "$expected" "$actual"
    fi
}
