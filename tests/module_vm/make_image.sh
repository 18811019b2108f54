#!/bin/sh
# Builds, once, the disks of a virtual KT20R module: Debian 12 as Debian
# ships it (systemd, a serial getty on ttyS0, login with PAM, bash), one disk
# per variant, so tests can put a real module console on a unix: slot.
# Usage: make_image.sh [CACHE_ROOT]   (default /var/cache/r7n-module-vm; root)
# Prints CACHE_ROOT/KEY on its last line: vmlinuz, initrd.img, r7n.img and
# tr7n.img (raw ext4, the root on /dev/vda). KEY is a hash of this file, which
# holds everything the images get, so a change here makes new images and an
# unchanged script finds them already built.
set -eu
cache=${1:-/var/cache/r7n-module-vm}
key=$(sha256sum < "$0" | cut -c1-16)
dir=$cache/$key
[ -e "$dir/complete" ] && { echo "$dir"; exit 0; }

mkdir -p "$cache"
# Two tests starting at once build it once: the second waits here.
exec 9> "$cache/.lock"
flock 9
[ -e "$dir/complete" ] && { echo "$dir"; exit 0; }
# Whatever a killed build left: with the lock held, no build is running.
rm -rf "$cache"/.build-*
for tool in debootstrap mkfs.ext4 unshare chroot; do
  command -v "$tool" > /dev/null || { echo "$tool is missing" >&2; exit 1; }
done

# Built beside its final place and renamed at the end: a build that stops
# half way never counts as an image.
tmp=$(mktemp -d "$cache/.build-$key.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
trap 'exit 1' HUP INT TERM
root=$tmp/root
# shellcheck disable=SC2016 # apt's own field names, not the shell's
mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2> /dev/null |
  awk '$2 == "bookworm" { print $1; exit }')
mirror=${mirror:-http://deb.debian.org/debian/}

# debootstrap mounts /proc and /sys in the new root: in a mount namespace of
# its own these never show on the host and go away with it, whatever happens.
# udev makes the device units the serial getty waits for; dbus and
# libpam-systemd give logind its sessions, as on an installed system.
unshare --mount --uts --fork debootstrap --variant=minbase \
  --include=linux-image-amd64,initramfs-tools,systemd-sysv,udev,dbus,libpam-systemd,login,passwd,bash,readline-common,ifupdown,iproute2,netbase,procps,kmod \
  bookworm "$root" "$mirror" >&2

# The disk driver must be in the initrd, the root being on a virtio disk.
chroot "$root" sh -c 'lsinitramfs /boot/initrd.img-*' | grep -q '/virtio_blk\.ko' ||
  { echo "the initrd has no virtio_blk" >&2; exit 1; }
cp "$root"/boot/vmlinuz-* "$tmp/vmlinuz"
cp "$root"/boot/initrd.img-* "$tmp/initrd.img"

# No network device: what waits for a network, or only works with one, just
# makes the boot slower. The getty, logind and the shell stay as shipped.
for unit in networking.service ifupdown-pre.service ifupdown-wait-online.service \
    systemd-networkd-wait-online.service apt-daily.timer apt-daily-upgrade.timer \
    dpkg-db-backup.timer e2scrub_all.timer fstrim.timer; do
  ln -sf /dev/null "$root/etc/systemd/system/$unit"
done
echo "/dev/vda / ext4 errors=remount-ro 0 1" > "$root/etc/fstab"
# The build host's resolver has no place in the module.
rm -f "$root/etc/resolv.conf"
rm -rf "$root"/var/cache/apt/archives/*.deb "$root"/var/lib/apt/lists/*_Packages

variant() {  # variant NAME HOST PASSWORD ADDRESS
  echo "$2" > "$root/etc/hostname"
  printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n\n# The following lines are desirable for IPv6 capable hosts\n::1     localhost ip6-localhost ip6-loopback\nff02::1 ip6-allnodes\nff02::2 ip6-allrouters\n' \
    "$2" > "$root/etc/hosts"
  echo "root:$3" | chroot "$root" chpasswd
  # As the installer writes it, with the lines a module's own tools leave:
  # the hardware address and an old address commented out.
  cat > "$root/etc/network/interfaces" <<NET
# This file describes the network interfaces available on your system
# and how to activate them. For more information, see interfaces(5).

source /etc/network/interfaces.d/*

# The loopback network interface
auto lo
iface lo inet loopback

# The primary network interface
allow-hotplug eth0
iface eth0 inet static
	hwaddress ether 02:00:5e:10:00:01
	#address 10.9.8.7
	address $4
	netmask 255.255.255.0
	gateway 192.168.0.1
NET
  # Filled from the directory, no loop mount; sparse, so it costs what it holds.
  mkfs.ext4 -q -L "$1" -d "$root" "$tmp/$1.img" 2G >&2
}
variant r7n kt20r-r7n R7nAdm1n 192.168.0.11
variant tr7n kt20r-tr7n Tr7nAdm1n 192.168.0.21

rm -rf "$root"
chmod 755 "$tmp"
touch "$tmp/complete"
mv -T "$tmp" "$dir"
trap - EXIT
echo "$dir"
