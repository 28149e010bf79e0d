#!/bin/sh
# /init of the test VM: mounts the kernel file systems, loads evdev and
# uinput, runs the test program with the arguments in /args and reports its
# status on the serial console, then powers off.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
for module in /lib/modules/*.ko; do
    insmod "$module" || echo "NORVANE-VM: cannot load $module"
done
echo "NORVANE-VM: booted"
set -- $(cat /args)
"$@"
status=$?
echo "NORVANE-VM: exit status $status"
sync
poweroff -f
