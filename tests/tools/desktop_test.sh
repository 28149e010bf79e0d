#!/usr/bin/env bash
# norvanectl desktop: the desktop and focus source it names for each kind of
# session, "nothing to install" where Norvane needs no helper, a clear
# failure without a session bus, and usage errors.
set -uo pipefail
ctl=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run ENV... -- ARGS...: a clean environment; sets rc, leaves out and err.
run() {
  local env=()
  while [ "$1" != "--" ]; do env+=("$1"); shift; done
  shift
  env -i PATH="$PATH" HOME="$work" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" "${env[@]}" \
    "$ctl" desktop "$@" >"$work/out" 2>"$work/err"
  rc=$?
}

expect_out() {
  grep -qF -- "$2" "$work/out" || fail "$1: standard output lacks '$2': $(cat "$work/out")"
}

run DISPLAY=:5 XDG_CURRENT_DESKTOP=XFCE -- status
[ "$rc" -eq 0 ] || fail "x11 status: exit status $rc"
expect_out "x11 status" "Desktop: X11"
expect_out "x11 status" "Focus source: X11 (the active window of display :5)"

for s in "SWAYSOCK=/run/s WAYLAND_DISPLAY=w:sway" "I3SOCK=/run/i DISPLAY=:1:i3" \
         "HYPRLAND_INSTANCE_SIGNATURE=sig:Hyprland"; do
  name=${s##*:}
  run ${s%:*} -- status
  [ "$rc" -eq 0 ] || fail "$name status: exit status $rc"
  expect_out "$name status" "Focus source: $name"
  run ${s%:*} -- install
  [ "$rc" -eq 0 ] || fail "$name install: exit status $rc"
  expect_out "$name install" "Nothing to install"
done

run WAYLAND_DISPLAY=w XDG_CURRENT_DESKTOP=weston -- install
[ "$rc" -eq 0 ] || fail "unsupported install: exit status $rc"
expect_out "unsupported install" "Nothing to install: Norvane has no way"

# KDE and GNOME: named from XDG_CURRENT_DESKTOP; with no bus to reach the
# shell, installing fails with one line saying why.
run WAYLAND_DISPLAY=w XDG_CURRENT_DESKTOP=ubuntu:GNOME -- status
expect_out "gnome status" "Desktop: GNOME (Wayland)"
run DISPLAY=:0 XDG_CURRENT_DESKTOP=KDE -- status
expect_out "kde status" "Desktop: KDE Plasma (X11)"
for desktop in KDE GNOME; do
  run WAYLAND_DISPLAY=w XDG_CURRENT_DESKTOP=$desktop -- install
  [ "$rc" -eq 1 ] || fail "$desktop install without a bus: exit status $rc"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$desktop install without a bus: standard error: $(cat "$work/err")"
done

for args in "" "frobnicate" "status extra"; do
  run DISPLAY=:0 -- $args
  [ "$rc" -eq 2 ] || fail "usage '$args': exit status $rc"
done

[ "$failures" -eq 0 ] && echo "all desktop checks passed"
exit "$failures"
