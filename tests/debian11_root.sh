#!/bin/sh
# Makes, once, a Debian 11 (bullseye) root as debootstrap's minbase leaves
# it: glibc 2.31, the terminal descriptions of ncurses-base, no locales
# beyond C.UTF-8. The release package is tried in it as on an older
# distribution (tests/package_on_debian11_test.sh).
# Usage: debian11_root.sh [CACHE_ROOT]   (default /var/cache/r7n-debian11-root; root)
# Prints the root's path, CACHE_ROOT/KEY/root, on its last line. KEY is a
# hash of this file, which holds everything the root gets, so a change here
# makes a new root and an unchanged script finds it already made.
set -eu
cache=${1:-/var/cache/r7n-debian11-root}
key=$(sha256sum < "$0" | cut -c1-16)
dir=$cache/$key
[ -e "$dir/complete" ] && { echo "$dir/root"; exit 0; }

mkdir -p "$cache"
# Two tests starting at once make it once: the second waits here.
exec 9> "$cache/.lock"
flock 9
[ -e "$dir/complete" ] && { echo "$dir/root"; exit 0; }
# Whatever a killed run left: with the lock held, none is running.
rm -rf "$cache"/.build-*
for tool in debootstrap unshare; do
  command -v "$tool" > /dev/null || { echo "$tool is missing" >&2; exit 1; }
done

# Made beside its final place and renamed at the end: a run that stops half
# way never counts as a root.
tmp=$(mktemp -d "$cache/.build-$key.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
trap 'exit 1' HUP INT TERM
# bullseye lies in the same archive as the host's own release.
# shellcheck disable=SC2016 # apt's own field names, not the shell's
mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 2> /dev/null |
  awk '$2 == "bookworm" { print $1; exit }')
mirror=${mirror:-http://deb.debian.org/debian/}

# debootstrap mounts /proc and /sys in the new root: in a mount namespace of
# its own these never show on the host and go away with it, whatever happens.
unshare --mount --uts --fork debootstrap --variant=minbase bullseye "$tmp/root" "$mirror" >&2
# The build host's resolver has no place in the root; the packages' files
# are not needed once they are unpacked.
rm -f "$tmp/root/etc/resolv.conf"
rm -rf "$tmp"/root/var/cache/apt/archives/*.deb "$tmp"/root/var/lib/apt/lists/*_Packages

chmod 755 "$tmp"
touch "$tmp/complete"
mv -T "$tmp" "$dir"
trap - EXIT
echo "$dir/root"
