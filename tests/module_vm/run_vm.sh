#!/bin/sh
# Runs a virtual KT20R module made by make_image.sh, its serial console on a
# UNIX socket for a unix: slot (QEMU listens; the slot connects, and again
# after it drops). Runs in the foreground as QEMU itself (exec), so the
# caller backgrounds it and its $! is QEMU's pid.
# Usage: run_vm.sh IMAGE_DIR VARIANT SOCKET [LOG]
#   VARIANT is r7n or tr7n. Beside SOCKET it makes:
#   SOCKET.img  the module's own disk, a copy of VARIANT's: it holds what the
#               session wrote, for read_file.sh once the module is off;
#   SOCKET.mon  QEMU's monitor, for powerdown.py.
#   LOG gets every byte the console sends, with or without a client.
# KVM when the processor has hardware virtualisation and /dev/kvm can be
# used, software emulation otherwise: a /dev/kvm without VMX or SVM under it
# (a paravirtual one inside a cloud VM) runs only guest kernels built for
# it, and Debian's hangs before its first message. MODULE_VM_ACCEL=tcg or
# kvm overrides that. A reboot in the module ends QEMU, as a power-off does.
set -eu
images=$1 variant=$2 socket=$3 log=${4:-/dev/null}
if [ ! -e "$images/complete" ] || [ ! -e "$images/$variant.img" ]; then
  echo "no $variant image in $images" >&2
  exit 1
fi
rm -f "$socket" "$socket.mon"
accel=tcg
if grep -qwE 'vmx|svm' /proc/cpuinfo && [ -r /dev/kvm ] && [ -w /dev/kvm ]; then accel=kvm; fi
accel=${MODULE_VM_ACCEL:-$accel}
# Sparse, and shared blocks where the file system can: a copy costs little
# and the cached image stays as built.
cp --reflink=auto --sparse=always "$images/$variant.img" "$socket.img"
exec qemu-system-x86_64 -accel "$accel" -m 512 \
  -kernel "$images/vmlinuz" -initrd "$images/initrd.img" \
  -append "root=/dev/vda rw console=ttyS0,115200 quiet" \
  -drive "file=$socket.img,format=raw,if=virtio" \
  -chardev "socket,id=console,path=$socket,server=on,wait=off,logfile=$log" \
  -serial chardev:console \
  -monitor "unix:$socket.mon,server=on,wait=off" \
  -nic none -display none -no-reboot
