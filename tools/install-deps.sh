#!/bin/sh
# Installs the Debian packages that building and testing need. Runs apt-get
# through sudo unless it already runs as root; skips the install when every
# package is there already.
#
#   tools/install-deps.sh        what the Linux programs and their tests need
#   tools/install-deps.sh all    also the Windows cross build, Wine, clang's
#                                fuzzing runtime, man, QEMU and debootstrap,
#                                for tools/test-all.sh and tools/make-packages.sh
set -eu

# busybox-static and openssl make the throwaway module roots of the real-login
# test; python3 plays a virtual machine's console in the reconnect test.
packages="cmake ninja-build g++ pkg-config libncurses-dev libgtest-dev tmux busybox-static openssl"
packages="$packages python3"
if [ "${1:-}" = all ]; then
  packages="$packages googletest g++-mingw-w64-x86-64 wine wine64 clang libclang-rt-14-dev man-db"
  # A Debian module in a virtual machine: its image, its disk read back.
  packages="$packages qemu-system-x86 debootstrap e2fsprogs"
  packages="$packages clang-format"
  # The fleet survey playbook, run against simulated chassis.
  packages="$packages ansible-core"
fi

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
