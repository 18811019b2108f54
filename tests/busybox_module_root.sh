#!/bin/sh
# Makes a throwaway root for one module's Linux console, out of Debian's
# static busybox: getty on the console, login with root's password, a shell
# whose prompt reads root@HOST:~# and the network file the console reads and
# rewrites. Prints the command that starts it, for an exec: slot.
# Usage: busybox_module_root.sh DIR HOST PASSWORD ISSUE_WORD ADDRESS ECHOCTL SHELL
#   ECHOCTL is echoctl or -echoctl: whether the terminal echoes Ctrl-C as ^C.
#   SHELL is ash (busybox's, whose line editor prints ^C whatever the terminal
#   says and asks for the cursor position after each prompt) or bash (the
#   host's, seen read-only inside the module's own mount namespace, readline
#   as shipped: bracketed paste around every prompt, ^C only with echoctl).
# The module runs in namespaces of its own (host name, mounts, process ids)
# and chrooted to DIR, so nothing of the host's /etc, host name or network
# is touched.
set -eu
dir=$1 host=$2 password=$3 word=$4 address=$5 echoctl=$6 shell=$7
busybox=$(command -v busybox)

mkdir -p "$dir/bin" "$dir/sbin" "$dir/usr/bin" "$dir/usr/sbin" "$dir/etc/network" \
  "$dir/root" "$dir/dev" "$dir/tmp" "$dir/proc"
cp "$busybox" "$dir/bin/busybox"
chroot "$dir" /bin/busybox --install -s
[ -e "$dir/dev/null" ] || mknod -m 666 "$dir/dev/null" c 1 3
[ -e "$dir/dev/tty" ] || mknod -m 666 "$dir/dev/tty" c 5 0

login_shell=/bin/sh
start="chroot $dir /bin/sh /etc/console"
if [ "$shell" = bash ]; then
  # The host's bash runs through its own loader from a read-only view of
  # /usr; the module's root gets no /lib, so busybox stays on its own.
  libc=$(readlink -f "$(ldd /usr/bin/bash | awk '/libc\.so/ {print $3}')")
  loader=$(readlink -f "$(ldd /usr/bin/bash | awk '/ld-linux/ {print $1}')")
  mkdir -p "$dir/host/usr"
  cat > "$dir/bin/login-bash" <<BASH
#!/bin/sh
exec /host$loader --library-path /host$(dirname "$libc") /host/usr/bin/bash --login
BASH
  chmod 755 "$dir/bin/login-bash"
  login_shell=/bin/login-bash
  # readline knows the terminal only through its description; without one it
  # takes a dumb terminal and leaves bracketed paste off, unlike a shipped system.
  mkdir -p "$dir/etc/terminfo/v"
  cp "$(find /lib/terminfo /usr/share/terminfo -name vt100 | head -1)" "$dir/etc/terminfo/v/vt100"
  start="sh -c 'mount --bind /usr $dir/host/usr && mount -o remount,bind,ro $dir/host/usr && exec $start'"
fi

hash=$(openssl passwd -6 "$password")
echo "root:x:0:0:root:/root:$login_shell" > "$dir/etc/passwd"
echo "root:$hash:19000:0:99999:7:::" > "$dir/etc/shadow"
chmod 600 "$dir/etc/shadow"
echo "root:x:0:" > "$dir/etc/group"
echo "$host" > "$dir/etc/hostname"
printf 'KT20R%sLinux (busybox) \\n \\l\n\n' "$word" > "$dir/etc/issue"

# As a distribution writes it: longer than the lines the console sets.
cat > "$dir/etc/network/interfaces" <<NET
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
#	address 10.9.8.7
	address $address
	netmask 255.255.255.0
	gateway 192.168.0.1
NET

cat > "$dir/etc/profile" <<PROFILE
export PS1='\u@\h:\w\\$ '
export HOME=/root
cd /root
stty $echoctl
PROFILE

# pid 1 of the namespace is this shell, not getty: the kernel shields a
# namespace's init from the terminal's signals, and a Ctrl-C must end getty
# as it does on the module.
cat > "$dir/etc/console" <<START
hostname $host
getty -L 115200 - vt100
START

echo "unshare --uts --mount --pid --fork --kill-child $start"
