#!/usr/bin/env bash
# Key latency through the app as it runs, in the kernel test VM (Debian's
# kernel under qemu, software emulation, one virtual CPU): the real norvane
# binary in a process of its own, typed on through a "physical" uinput
# keyboard by vm_app_latency in another process. The app runs twice: without
# any bus (it finds no tray and opens its window, offscreen) and with a
# session bus and a panel's tray (vm_tray_host; its window stays closed). In
# the same boot the in-process latency test (the input layer as a thread of
# the test program, built with the same options) runs first, so all figures
# meet the same host load.
#
# Prints p50 and p99 of reading the keyboard directly, of a key passed through
# and of a key rewritten by a rule, their difference from direct and their
# ratio to it, the app's processor time per key by thread, and the host's load
# before and after. About four minutes, much of it the app's starts under
# emulation. Figures move with the host's load: compare runs made together.
#
#   cmake --preset release && cmake --build --preset release
#   bench/vm_app_latency.sh [BUILD_DIR]        (build/release by default)
#
# Needs what tests/kernel needs (qemu-system-x86, linux-image-amd64,
# busybox-static, cpio), dbus-daemon and qtpaths6. The app's Qt plugins and
# the QML modules its windows import are copied into the VM; fonts are not,
# so its window draws no text (nobody looks at it).
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source_dir/build/release}" && pwd)
app=$build/src/ui/norvane
measure=$build/bench/vm_app_latency
in_process=$build/bench/vm_inprocess_latency
tray_host=$build/bench/vm_tray_host
for program in "$app" "$measure" "$in_process" "$tray_host"; do
    if [ ! -x "$program" ]; then
        echo "vm_app_latency: $program is missing; build the release preset first" >&2
        exit 1
    fi
done

bus_daemon=$(command -v dbus-daemon || true)
if [ -z "$bus_daemon" ]; then
    echo "vm_app_latency: dbus-daemon missing (package dbus-daemon)" >&2
    exit 1
fi

# What the app opens at start beside its libraries (traced on a desktop):
# the offscreen platform, the SVG icon engine and the QML modules its
# windows import.
plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS)
qml=$(qtpaths6 --query QT_INSTALL_QML)
with_paths=()
for path in "$plugins"/platforms/libqoffscreen.so "$plugins"/iconengines/libqsvgicon.so \
    "$plugins"/imageformats/libqsvg.so "$qml"/QtQml/WorkerScript "$qml"/QtQuick/qmldir "$qml"/QtQuick/Window \
    "$qml"/QtQuick/Layouts "$qml"/QtQuick/Templates "$qml"/QtQuick/Controls/impl "$qml"/QtQuick/Controls/Basic; do
    with_paths+=(--with-path "$path")
done

echo "host load before: $(cut -d ' ' -f 1-3 /proc/loadavg)"
status=0
"$source_dir"/tests/kernel/run_vm.sh "$build/bench/vm-app-latency" --with "$app" --with "$in_process" \
    --with "$tray_host" --with "$bus_daemon" "${with_paths[@]}" \
    "$measure" /bin/norvane --tray /bin/vm_tray_host /bin/vm_inprocess_latency \
    --gtest_filter=KernelTest.AddedLatencyOfPassThroughAndRewrite --gtest_color=no >/dev/null || status=$?
echo "host load after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
grep -a '^LATENCY\|^norvane:' "$build/bench/vm-app-latency/console.log" | tr -d '\r' || true
if [ "$status" != 0 ]; then
    echo "vm_app_latency: the VM run failed (status $status); see $build/bench/vm-app-latency/console.log" >&2
fi
exit "$status"
