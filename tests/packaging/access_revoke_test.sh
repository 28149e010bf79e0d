#!/usr/bin/env bash
# The access helper's grant and revoke, `norvanectl access revoke`, and the
# package's removal script, in a folder standing in for / with udevadm,
# modprobe and setfacl replaced by stand-ins that log their calls: what
# revoke removes, what it leaves alone, that repeating it is harmless, and
# that access given by the rule is taken from the device nodes.
set -uo pipefail
helper=$1
ctl=$2
postrm=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Only these programs, so that the machine's own udevadm or setfacl never runs.
bin=$work/bin
mkdir -p "$bin"
for tool in sh cat mv rm mkdir ln dirname tail grep readlink; do
  ln -s "$(command -v $tool)" "$bin/$tool"
done
stub() {
  printf '#!/bin/sh\n%s\n' "$2" >"$bin/$1"
  chmod +x "$bin/$1"
}
log=$work/log
stub modprobe "echo \"modprobe \$*\" >>$log"
stub setfacl "echo \"setfacl \$*\" >>$log"
# udevadm info tells the tags from a file per node; everything else is logged.
stub udevadm "echo \"udevadm \$*\" >>$log
case \"\$1\" in info) for a; do case \"\$a\" in --name=*) n=\${a#--name=}; cat \"$work/tags/\${n##*/}\" 2>/dev/null;; esac; done;; esac"

new_root() {
  root=$work/root$1
  mkdir -p "$root/dev/input" "$root/etc/udev/rules.d" "$root/etc/modules-load.d" "$work/tags"
  touch "$root/dev/input/event0" "$root/dev/input/event1" "$root/dev/uinput"
  # event1 is a game pad another rule gives the seat's user.
  echo 'CURRENT_TAGS=:seat:uaccess:' >"$work/tags/event1"
  echo 'a rule of the system' >"$root/etc/udev/rules.d/70-other.rules"
  echo 'loop' >"$root/etc/modules-load.d/other.conf"
  : >"$log"
}
helper_run() { env -i PATH="$bin" NORVANE_ACCESS_ROOT="$root" "$helper" "$@" >"$work/out" 2>"$work/err"; }
tree() { (cd "$root" && find . | sort && cat etc/udev/rules.d/* etc/modules-load.d/* 2>/dev/null); }
rule=etc/udev/rules.d/72-norvane-uaccess.rules
modules=etc/modules-load.d/norvane-uinput.conf

# Grant, then revoke: exactly the two files go; the others and the access
# another rule gives stay.
new_root 1
before=$(tree)
helper_run || fail "grant failed: $(cat "$work/err")"
[ -f "$root/$rule" ] && [ -f "$root/$modules" ] || fail "grant did not write the rule and the module list"
grep -q 'TAG+="uaccess"' "$root/$rule" || fail "grant wrote no uaccess rule"
grep -q '^modprobe uinput$' "$log" || fail "grant did not load uinput"
: >"$log"
helper_run revoke || fail "revoke failed: $(cat "$work/err")"
[ "$(tree)" = "$before" ] || fail "revoke left a different tree: $(diff <(echo "$before") <(tree))"
grep -q 'udevadm control --reload-rules' "$log" || fail "revoke did not reload the rules"
grep -q "setfacl --remove-all $root/dev/input/event0" "$log" || fail "the access on event0 stays"
grep -q "setfacl --remove-all $root/dev/uinput" "$log" || fail "the access on uinput stays"
! grep -q "event1" <(grep setfacl "$log") || fail "took the access another rule gives"
grep -q "removed .*72-norvane-uaccess.rules" "$work/out" || fail "revoke did not say what it removed"
# Again: nothing left to do, and no failure.
: >"$log"
helper_run revoke || fail "a second revoke failed: $(cat "$work/err")"
[ "$(tree)" = "$before" ] || fail "a second revoke changed the tree"
[ ! -s "$work/out" ] || fail "a second revoke claims to remove: $(cat "$work/out")"

# A rule changed by hand is kept, and said so; a rule from before the
# marker (the same two lines) and a bare module list are the helper's.
new_root 2
echo 'KERNEL=="event3", TAG+="uaccess"' >"$root/$rule"
helper_run revoke || fail "revoke with a hand-made rule failed"
[ -f "$root/$rule" ] || fail "removed a rule changed by hand"
grep -q "changed by hand" "$work/err" || fail "did not say why the rule stays"
sed -n '/<<.RULES.$/,/^RULES$/p' "$helper" | sed '1d;$d' >"$root/$rule"
echo uinput >"$root/$modules"
helper_run revoke || fail "revoke of an older grant failed"
[ ! -e "$root/$rule" ] && [ ! -e "$root/$modules" ] || fail "an older grant's files stay"

# With a package's rule installed, revoke hides it; grant undoes that.
new_root 3
mkdir -p "$root/usr/lib/udev/rules.d"
echo 'the packaged rule' >"$root/usr/lib/udev/rules.d/72-norvane-uaccess.rules"
helper_run revoke || fail "revoke over a package failed"
[ "$(readlink "$root/$rule")" = /dev/null ] || fail "the package's rule is not masked"
helper_run revoke || fail "a second revoke over a package failed"
[ "$(readlink "$root/$rule")" = /dev/null ] || fail "a second revoke changed the mask"
helper_run grant || fail "grant over a mask failed"
[ -f "$root/$rule" ] && [ ! -L "$root/$rule" ] || fail "grant left the mask"
[ -f "$root/usr/lib/udev/rules.d/72-norvane-uaccess.rules" ] || fail "touched the package's file"

# Without setfacl the user hears that the access lasts until a restart.
new_root 4
rm "$bin/setfacl"
helper_run revoke || fail "revoke without setfacl failed"
grep -q "until the next restart" "$work/err" || fail "did not say the access lasts"
stub setfacl "echo \"setfacl \$*\" >>$log"

# norvanectl runs the helper (as root directly; otherwise pkexec asks).
if [ "$(id -u)" = 0 ]; then
  new_root 5
  helper_run grant
  env -i PATH="$bin" NORVANE_ACCESS_ROOT="$root" NORVANE_ACCESS_HELPER="$helper" "$ctl" access revoke >"$work/out" 2>"$work/err" ||
    fail "norvanectl access revoke failed: $(cat "$work/err")"
  [ ! -e "$root/$rule" ] && [ ! -e "$root/$modules" ] || fail "norvanectl access revoke removed nothing"
  grep -q "taken back" "$work/out" || fail "norvanectl did not say so"
  stub udevadm 'exit 1'
  env -i PATH="$bin" NORVANE_ACCESS_ROOT="$root" NORVANE_ACCESS_HELPER="$helper" "$ctl" access revoke >"$work/out" 2>"$work/err"
  [ $? -eq 1 ] || fail "a failing helper is reported as success"
  grep -q "exit status" "$work/err" || fail "norvanectl did not say the helper failed"
  stub udevadm "echo \"udevadm \$*\" >>$log"
else
  echo "skipped: norvanectl access revoke (not root: it would ask pkexec)"
fi
"$ctl" access >/dev/null 2>&1
[ $? -eq 2 ] || fail "norvanectl access without a verb is not a usage error"

# The package's removal takes the helper's files and its mask too (the
# script run with its paths moved under the stand-in root).
postrm_remove() {
  sed -e "s#/etc/udev#$root/etc/udev#g; s#/etc/modules-load.d#$root/etc/modules-load.d#g" \
      -e "s#/dev/input/event\*#$root/dev/input/event*#; s# /dev/uinput; do# $root/dev/uinput; do#" \
      -e "s#/etc/opt#$root/etc/opt#g; s#/run/#$root/run/#g" "$postrm" >"$work/postrm"
  env -i PATH="$bin" sh "$work/postrm" remove >/dev/null 2>&1 || fail "postrm remove failed"
}
new_root 6
helper_run grant
postrm_remove
[ ! -e "$root/$rule" ] && [ ! -e "$root/$modules" ] || fail "package removal left the helper's files"
[ -f "$root/etc/udev/rules.d/70-other.rules" ] || fail "package removal took another rule"
grep -q "setfacl --remove-all $root/dev/input/event0" "$log" || fail "package removal left the access on event0"
new_root 7
ln -s /dev/null "$root/$rule"
echo 'by hand' >"$root/$modules"
postrm_remove
[ ! -L "$root/$rule" ] || fail "package removal left the mask"
[ -f "$root/$modules" ] || fail "package removal took a module list changed by hand"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "all access revoke checks passed"
