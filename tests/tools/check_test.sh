#!/usr/bin/env bash
# norvanectl check: exit status and the shape of standard output and error
# for a current file, a legacy file, a broken file and a missing file.
set -uo pipefail
ctl=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run FILE: sets rc, and leaves stdout and stderr in $work/out and $work/err.
run() {
  "$ctl" "$@" >"$work/out" 2>"$work/err"
  rc=$?
}

expect_rejected() {
  local what=$1
  shift
  run check "$@"
  [ "$rc" -eq 1 ] || fail "$what: exit status $rc, expected 1"
  [ ! -s "$work/out" ] || fail "$what: wrote to standard output"
  [ "$(wc -l <"$work/err")" -eq 1 ] && [ "$(tail -c 1 "$work/err" | od -An -c | tr -d ' ')" = '\n' ] ||
    fail "$what: standard error is not exactly one line: $(cat "$work/err")"
}

# A canonical version-2 file comes back byte for byte.
run check "$data/current.json"
[ "$rc" -eq 0 ] || fail "current: exit status $rc"
[ ! -s "$work/err" ] || fail "current: wrote to standard error: $(cat "$work/err")"
cmp -s "$work/out" "$data/current.json" || fail "current: output differs from the canonical input"

# A legacy file is converted; its conversion is itself a canonical current file.
run check "$data/legacy.json"
[ "$rc" -eq 0 ] || fail "legacy: exit status $rc"
[ ! -s "$work/err" ] || fail "legacy: wrote to standard error: $(cat "$work/err")"
grep -q '"version": 2' "$work/out" || fail "legacy: no version 2 in the output"
grep -q '"name": "鼠标键控制播放"' "$work/out" || fail "legacy: mouse group missing"
grep -q '"note": "二级标题"' "$work/out" || fail "legacy: heading note missing"
cp "$work/out" "$work/converted.json"
run check "$work/converted.json"
[ "$rc" -eq 0 ] && cmp -s "$work/out" "$work/converted.json" || fail "legacy: converted output is not stable"

expect_rejected "broken" "$data/broken.json"
expect_rejected "missing" "$work/does-not-exist.json"
expect_rejected "directory" "$work"

run
[ "$rc" -eq 2 ] && [ -s "$work/err" ] && [ ! -s "$work/out" ] || fail "no command: exit status $rc"
run frobnicate
[ "$rc" -eq 2 ] && [ -s "$work/err" ] && [ ! -s "$work/out" ] || fail "unknown command: exit status $rc"

[ "$failures" -eq 0 ] && echo "norvanectl check: all cases pass"
exit $((failures > 0))
