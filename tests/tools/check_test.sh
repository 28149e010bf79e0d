#!/usr/bin/env bash
# norvanectl check: exit status and the shape of standard output and error
# for a current file, a legacy file, broken and damaged files, a missing file
# and files that are not regular files.
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

# A FIFO without a writer is refused at once instead of waited on.
mkfifo "$work/fifo"
expect_rejected "fifo" "$work/fifo"
grep -q "not a regular file" "$work/err" || fail "fifo: reason missing: $(cat "$work/err")"

# A refusal names the member at fault.
printf '{"version": 2, "groups": [{}, 5], "preferences": {}}' >"$work/bad-group.json"
expect_rejected "bad group" "$work/bad-group.json"
grep -qF 'groups[1] is not an object' "$work/err" || fail "bad group: reason missing: $(cat "$work/err")"
printf '{"version": 2, "groups": [{"mappings": [%s]}], "preferences": {}}' \
  "$(yes '{}' | head -n 10001 | paste -sd,)" >"$work/crowded.json"
expect_rejected "crowded" "$work/crowded.json"
grep -qF 'groups[0].mappings: more than 10000 entries' "$work/err" || fail "crowded: reason missing: $(cat "$work/err")"

# Values replaced by defaults are listed on standard error, one line each with
# its path; standard output is still the document, and no escape sequence
# from the file reaches the terminal.
cat >"$work/damaged.json" <<'JSON'
{"version": 2, "preferences": {}, "groups": [
  {"name": "g", "mappings": [
    {"trigger": "mouse:3", "action": {"type": "media", "media": "volumeup"}},
    {"trigger": "ctrl+foo", "action": {"type": "keys", "keys": "cmd+k"}, "note": 7},
    {"trigger": "mouse:4", "action": {"type": "open\u001b[2J"}}
  ]}
]}
JSON
run check "$work/damaged.json"
[ "$rc" -eq 0 ] || fail "damaged: exit status $rc"
grep -q '"version": 2' "$work/out" || fail "damaged: no document on standard output"
[ "$(wc -l <"$work/err")" -eq 3 ] || fail "damaged: expected three lines on standard error: $(cat "$work/err")"
grep -qF 'groups[0].mappings[1].trigger: "ctrl+foo" is not a trigger; left empty' "$work/err" ||
  fail "damaged: trigger line missing: $(cat "$work/err")"
grep -qF 'groups[0].mappings[1].note: 7 is not a text; left empty' "$work/err" ||
  fail "damaged: note line missing: $(cat "$work/err")"
grep -qF 'groups[0].mappings[2].action.type:' "$work/err" || fail "damaged: action line missing: $(cat "$work/err")"
! grep -q $'\x1b' "$work/err" || fail "damaged: an escape character reached standard error"

run
[ "$rc" -eq 2 ] && [ -s "$work/err" ] && [ ! -s "$work/out" ] || fail "no command: exit status $rc"
run frobnicate
[ "$rc" -eq 2 ] && [ -s "$work/err" ] && [ ! -s "$work/out" ] || fail "unknown command: exit status $rc"

[ "$failures" -eq 0 ] && echo "norvanectl check: all cases pass"
exit $((failures > 0))
