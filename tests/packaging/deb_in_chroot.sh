#!/usr/bin/env bash
# Installs a built Norvane package into a throwaway Debian 12 chroot (made
# with mmdebstrap), renders the installed app's views with
# `norvane --debug-snapshot`, removes the package and checks that it left no
# file behind. Run as root, after scripts/package:
#
#   tests/packaging/deb_in_chroot.sh build/package/norvane_*_amd64.deb
#
# Only /proc is mounted into the chroot: the maintainer scripts find no udev
# and no kernel modules there, so they leave the machine's devices alone.
set -euo pipefail
deb=$(realpath "$1")
root=$(mktemp -d /tmp/norvane-chroot.XXXXXX)
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

mmdebstrap --variant=apt --mode=root --quiet bookworm "$root"
mount -t proc proc "$root/proc"
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 HOME=/root "$@"; }
files() {
  in_root find / -xdev \( -path /proc -o -path /tmp -o -path /run -o -path /var/cache -o -path /var/log \
    -o -path /var/lib/apt/lists \) -prune -o -print | sort
}

# mmdebstrap leaves no package lists behind.
in_root apt-get update -qq
# The dependencies first, so that the comparison sees the package alone.
in_root apt-get satisfy -y -qq --no-install-recommends "$(dpkg-deb -f "$deb" Depends)" >/dev/null
files >"$root/tmp/before"

cp "$deb" "$root/tmp/norvane.deb"
in_root apt-get install -y -qq --no-install-recommends /tmp/norvane.deb >/dev/null
echo "== installed: $(in_root dpkg-query -W -f='${Package} ${Version}, ${Installed-Size} KiB' norvane)"
in_root test -x /usr/bin/norvane
in_root test -L /etc/opt/chrome/native-messaging-hosts/app.norvane.bridge.json
in_root desktop-file-validate /usr/share/applications/norvane.desktop 2>/dev/null || true

# A user's settings and caches go to /tmp, which the comparison skips.
in_root env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime HOME=/tmp/home sh -c \
  'mkdir -p -m 700 /tmp/runtime && norvane --debug-snapshot /tmp/snap'
count=$(ls "$root/tmp/snap"/*.png | wc -l)
echo "== norvane --debug-snapshot wrote $count images"
[ "$count" -ge 6 ]

in_root apt-get purge -y -qq norvane >/dev/null
files >"$root/tmp/after"
if ! diff -u "$root/tmp/before" "$root/tmp/after"; then
  echo "== the package left files behind or removed others" >&2
  exit 1
fi
echo "== removed cleanly: the file list matches the one before installing"
