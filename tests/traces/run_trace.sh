#!/bin/sh
# Runs one golden trace: NAME.sim through `norvanectl simulate --config
# NAME.json` and compares standard output with NAME.out. When NAME.status
# exists it holds the expected exit status (default 0); when NAME.err exists,
# standard error must match it too.
set -u
ctl=$1
name=$2
dir=$(dirname "$0")
cd "$dir" || exit 1

out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

"$ctl" simulate --config "$name.json" <"$name.sim" >"$out" 2>"$err"
status=$?
expected=0
[ -f "$name.status" ] && expected=$(cat "$name.status")

fail=0
if [ "$status" -ne "$expected" ]; then
    echo "exit status $status, expected $expected" >&2
    cat "$err" >&2
    fail=1
fi
diff -u "$name.out" "$out" || fail=1
if [ -f "$name.err" ]; then
    diff -u "$name.err" "$err" || fail=1
fi
exit $fail
