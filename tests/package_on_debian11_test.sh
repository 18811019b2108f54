#!/usr/bin/env bash
# Tries the Linux package on an older distribution than the one it is built
# on: Debian 11 (glibc 2.31, a root made by tests/debian11_root.sh and kept
# between runs). The tarball is unpacked into the root and the programs run
# there (chroot, in a mount namespace of their own with /proc; tmux on the
# host): --version, then r7n_uart_sim's menu, key 1 and the controller's
# reply to V, Shift-F2 back to the menu, Q with status 0. TERM is screen,
# which the root's ncurses-base describes: the host's terminal descriptions
# are out of reach, so a menu on the screen was drawn from the root's.
# Then once more with a tcp: slot to look up while the root's nsswitch.conf
# names one of the root's own name service modules first: a program that
# carries its own C library must not load it (it would abort).
# Usage: package_on_debian11_test.sh PACKAGE_DIR   (as tools/make-packages.sh
# leaves it; needs root, exits 77 without)
set -u
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: making the Debian 11 root (debootstrap) and entering it (chroot) need root"
  exit 77
fi
tests=$(dirname "$(realpath "$0")")
tarballs=("$(realpath "$1")"/r7n-uart-*-linux-x86_64.tar.gz)
if [ "${#tarballs[@]}" -ne 1 ] || [ ! -f "${tarballs[0]}" ]; then
  echo "want one r7n-uart-*-linux-x86_64.tar.gz in $1, found: ${tarballs[*]}" >&2
  exit 1
fi
name=$(basename "${tarballs[0]}" .tar.gz)
version=${name#r7n-uart-}
version=${version%-linux-x86_64}
root=$(sh "$tests/debian11_root.sh") || { echo "FAIL: no Debian 11 root" >&2; exit 1; }

# The package is unpacked into the root's /tmp and removed at the end; the
# root itself stays as debootstrap left it.
work=$(mktemp -d "$root/tmp/r7n-package.XXXXXX")
host=$(mktemp -d)
export TMUX_TMPDIR=$host
trap 'tmux kill-server 2>/dev/null; rm -rf "$work" "$host"' EXIT
. "$tests/tmux_checks.sh"
tar -xzf "${tarballs[0]}" -C "$work" || { fail "tar cannot unpack ${tarballs[0]}"; exit 1; }
folder=${work#"$root"}/$name # as the programs see it

# Runs its arguments in the root with a bare environment. The program finds
# its folder through /proc/self/exe. NSSWITCH, when set, is a file that
# stands in for the root's /etc/nsswitch.conf; the mounts go with the
# namespace.
in_root=$host/in_root
cat >"$in_root" <<EOF
#!/bin/sh
exec unshare --mount sh -c '
  mount -t proc proc "\$0/proc" || exit 1
  if [ -n "\${NSSWITCH:-}" ]; then mount --bind "\$NSSWITCH" "\$0/etc/nsswitch.conf" || exit 1; fi
  exec chroot "\$0" env -i TERM=screen LANG=C.UTF-8 "\$@"' '$root' "\$@"
EOF
chmod +x "$in_root"

for program in r7n_uart r7n_uart_sim; do
  shown=$("$in_root" "$folder/$program" --version 2>&1)
  if [ "$shown" = "$program $version" ]; then
    pass "Debian 11: $program --version shows $version"
  else
    fail "Debian 11: $program --version printed '$shown'"
  fi
done

session() {  # session [VAR=VALUE...] PROGRAM ARGUMENTS...: in tmux, 80 x 25
  tmux kill-server 2>/dev/null
  sleep 0.2 # a server still going away refuses the new session
  tmux new-session -d -s t -x 80 -y 25 "env $* ; echo EXIT=\$?; sleep 60"
}

session "$in_root" "$folder/r7n_uart_sim"
if wait_for 30 "<Q> Quit" "Debian 11: the menu is drawn with the root's description of TERM=screen"; then
  keys 1
  wait_for 20 "R7N Base #1 ZCP Console" "Debian 11: key 1 opens the ZCP terminal"
  sleep 0.5
  keys V Enter
  wait_for 20 "ZCP controller firmware V2.31 (R7N)" "Debian 11: the controller answers V"
  keys S-F2
  wait_for 20 "<Q> Quit" "Debian 11: Shift-F2 goes back to the menu"
  sleep 0.5
  keys q
  wait_for 20 "EXIT=0" "Debian 11: Q ends the program with status 0"
fi

module=/lib/x86_64-linux-gnu/libnss_hesiod.so.2
if [ -e "$root$module" ]; then
  echo "hosts: hesiod files dns" >"$host/nsswitch.conf"
  session NSSWITCH="$host/nsswitch.conf" "$in_root" "$folder/r7n_uart_sim" \
    --base2 tcp:r7n-no-such-host:7001,tr7n,tr7n,tr7n --events "$folder/events.log"
  if wait_for 30 "<Q> Quit" "Debian 11, hosts: hesiod first: the menu is drawn"; then
    events=$work/$name/events.log
    for _ in $(seq 50); do
      grep -qF "cannot resolve r7n-no-such-host" "$events" 2>/dev/null && break
      sleep 0.1
    done
    if grep -qF "cannot resolve r7n-no-such-host" "$events" 2>/dev/null; then
      pass "Debian 11, hosts: hesiod first: the tcp: slot's name was looked up"
    else
      fail "Debian 11, hosts: hesiod first: no lookup in the events log: $(cat "$events" 2>&1)"
    fi
    keys q
    wait_for 20 "EXIT=0" "Debian 11, hosts: hesiod first: Q ends the program with status 0"
  fi
else
  fail "the Debian 11 root has no $module to name in nsswitch.conf"
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ] && [ "$passes" -gt 0 ]
