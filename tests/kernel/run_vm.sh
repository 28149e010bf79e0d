#!/usr/bin/env bash
# Runs a test program inside a small VM: Debian's kernel under qemu with an
# initramfs made of busybox, evdev.ko, uinput.ko, the program and the shared
# libraries it needs. The program's output comes back on the serial console;
# the script exits with the program's status.
#
# usage: run_vm.sh WORKDIR [--with EXTRA_PROGRAM | --with-path PATH]... PROGRAM [ARGUMENTS...]
# Extra programs land in /bin of the VM too. A file or folder given with
# --with-path is copied to the same place in the VM, with the libraries its
# shared objects load (plugins a program opens at run time).
set -euo pipefail

work=$1
shift
extras=()
paths=()
while true; do
    case "${1:-}" in
    --with) extras+=("$2") ;;
    --with-path) paths+=("$2") ;;
    *) break ;;
    esac
    shift 2
done
program=$1
shift
mkdir -p "$work"

kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$kernel" ] || [ ! -r "$kernel" ]; then
    echo "run_vm: no readable kernel in /boot (package linux-image-amd64)" >&2
    exit 1
fi
version=${kernel#/boot/vmlinuz-}
modules=/lib/modules/$version
busybox=$(command -v busybox || true)
if [ -z "$busybox" ]; then
    echo "run_vm: busybox missing (package busybox-static)" >&2
    exit 1
fi

root=$work/root
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,lib/modules}
cp "$busybox" "$root/bin/busybox"
ln -s busybox "$root/bin/sh"
install -m 755 "$(dirname "$0")/vm_init.sh" "$root/init"

# The two modules, decompressed (the kernel takes plain .ko files from insmod).
for name in evdev uinput; do
    found=$(find "$modules/kernel/drivers/input" -name "$name.ko*" | head -n 1)
    if [ -z "$found" ]; then
        echo "run_vm: $name.ko not found under $modules" >&2
        exit 1
    fi
    case "$found" in
    *.ko.xz) xz -dc "$found" >"$root/lib/modules/$name.ko" ;;
    *.ko.zst) zstd -qdc "$found" >"$root/lib/modules/$name.ko" ;;
    *.ko.gz) gzip -dc "$found" >"$root/lib/modules/$name.ko" ;;
    *) cp "$found" "$root/lib/modules/$name.ko" ;;
    esac
done

copy_libraries() {
    ldd "$1" | grep -o '/[^ ]*' | sort -u | while read -r lib; do
        mkdir -p "$root$(dirname "$lib")"
        cp -L "$lib" "$root$lib"
    done
}

# The programs without their debug sections, and every library they load.
for binary in "$program" "${extras[@]}"; do
    objcopy --strip-debug "$binary" "$root/bin/$(basename "$binary")"
    copy_libraries "$binary"
done
for path in "${paths[@]}"; do
    mkdir -p "$root$(dirname "$path")"
    cp -rL "$path" "$root$path"
    find -L "$path" -name '*.so*' -type f | while read -r object; do
        copy_libraries "$object"
    done
done
echo "/bin/$(basename "$program") $*" >"$root/args"

(cd "$root" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"

# One virtual CPU by default: under software emulation a wake-up across two
# virtual CPUs waits for the host to schedule the other one, which swamps the
# latency figures with the host's load.
# Software emulation unless asked for KVM: on some hosts /dev/kvm is there but
# the guest never boots (nested virtualisation without the CPU features the
# default model needs), and the figures are compared under emulation anyway.
accel=()
if [ "${NORVANE_VM_KVM:-0}" = 1 ] && [ -w /dev/kvm ]; then
    accel=(-accel kvm -cpu host)
fi
log=$work/console.log
set +e
timeout 600 qemu-system-x86_64 "${accel[@]}" -nographic -no-reboot -m 1G -smp "${NORVANE_VM_CPUS:-1}" \
    -kernel "$kernel" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 rdinit=/init" </dev/null | tee "$log"
set -e
status=$(sed -n 's/.*NORVANE-VM: exit status \([0-9]*\).*/\1/p' "$log" | tail -n 1)
if [ -z "$status" ]; then
    echo "run_vm: the VM ended without the program's status" >&2
    exit 1
fi
exit "$status"
