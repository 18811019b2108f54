#!/usr/bin/env bash
# Tries the release packages as a new user would. Each is unpacked into a
# fresh folder outside the build tree and r7n_uart_sim is started from
# elsewhere, in tmux (80 x 25): the menu is drawn, key 1 opens the ZCP
# controller's terminal, F10 (the example configuration's macro) gets its
# version, Term.txt lands in the unpacked folder, Q ends with status 0.
# Also: the file list of each package, the version the program shows, the
# Linux programs' shared libraries (the C library's only) and the newest
# glibc symbol version they ask for (none newer than 2.17), the DLLs the
# Windows programs import (Windows' own only), CR LF in the Windows text
# files, the manual pages rendered without warnings.
# Usage: package_test.sh PACKAGE_DIR   (as tools/make-packages.sh leaves it)
set -u
packages=$(realpath "$1")
work=$(mktemp -d /tmp/r7n-package-test.XXXXXX)
export TMUX_TMPDIR=$work
export WINEDEBUG=-all
trap 'tmux kill-server 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/tmux_checks.sh"
check() {  # check WHAT COMMAND...: passes when the command succeeds
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# The one package of a kind in the folder: r7n-uart-VERSION-SYSTEM-x86_64.EXT
only_package() {  # only_package SYSTEM EXT
  local found=("$packages"/r7n-uart-*-"$1"-x86_64."$2")
  if [ "${#found[@]}" -ne 1 ] || [ ! -f "${found[0]}" ]; then
    echo "want one r7n-uart-*-$1-x86_64.$2 in $packages, found: ${found[*]}" >&2
    return 1
  fi
  echo "${found[0]}"
}

# Every entry lies in the folder named after the package, and the files are
# exactly the expected ones.
check_contents() {  # check_contents PACKAGE NAME FILE...
  local package=$1 name=$2
  shift 2
  local listing want
  listing=$(cmake -E tar tf "$package" | grep -vxE "$name/?" | sort)
  want=$(printf '%s\n' "${@/#/$name/}" | sort)
  echo "contents of $(basename "$package") ($(stat -c %s "$package") bytes):"
  cmake -E tar tvf "$package" | sed 's/^/  | /'
  if [ "$listing" = "$want" ]; then
    pass "$(basename "$package") holds one folder $name with $*"
  else
    fail "$(basename "$package"): the listing differs from what is expected:"
    diff <(echo "$want") <(echo "$listing") | sed 's/^/  | /'
  fi
}

# The operator's first run, started from another folder: LABEL, the unpacked
# folder, the command line that starts the program. The first start of Wine
# in a prefix can take a while, hence the long first wait.
first_run() {  # first_run LABEL FOLDER COMMAND
  local label=$1 folder=$2 command=$3
  tmux kill-server 2>/dev/null
  tmux new-session -d -s t -x 80 -y 25 "cd '$work' && $command; echo EXIT=\$?; sleep 60"
  if wait_for 90 "<Q> Quit" "$label: the menu is drawn"; then
    if screen | grep -qF "Config file not found"; then fail "$label: R7n_Uart.cfg not read"; fi
    tmux send-keys -t t 1
    wait_for 20 "R7N Base #1 ZCP Console" "$label: key 1 opens the ZCP terminal"
    sleep 0.5
    tmux send-keys -t t F10
    wait_for 20 "ZCP controller firmware" "$label: the controller answers the F10 macro"
    tmux send-keys -t t S-F2
    wait_for 20 "<Q> Quit" "$label: Shift-F2 goes back to the menu"
    sleep 0.5
    tmux send-keys -t t q
    wait_for 20 "EXIT=0" "$label: Q ends the program with status 0"
  fi
  tmux kill-server 2>/dev/null
  check "$label: Term.txt in the unpacked folder holds the reply" \
    grep -qF "ZCP controller firmware" "$folder/Term.txt"
}

# Each line ends in CR LF, and there is at least one.
crlf_only() {
  local lines crlf
  lines=$(wc -l <"$1")
  crlf=$(grep -c $'\r$' "$1")
  [ "$lines" -gt 0 ] && [ "$lines" -eq "$crlf" ] && [ -z "$(tail -c 1 "$1" | tr -d '\n')" ]
}

version_check() {  # version_check LABEL VERSION COMMAND...
  local label=$1 version=$2
  shift 2
  local shown help
  shown=$("$@" --version | tr -d '\r')
  help=$("$@" --help | head -n 1 | tr -d '\r')
  if [ "$shown" = "r7n_uart_sim $version" ] && [ "$help" = "r7n_uart_sim $version" ]; then
    pass "$label: --version and --help show r7n_uart_sim $version"
  else
    fail "$label: --version printed '$shown', --help began with '$help'; the package says $version"
  fi
}

# The newest glibc symbol version in a program's dynamic symbol table is the
# oldest glibc it starts on; a program that carries glibc asks for none.
glibc_floor() {  # glibc_floor PROGRAM
  local program=$1 symbols floor
  # A static program that is no PIE has no dynamic symbol table at all.
  if ! symbols=$(objdump -T "$program" 2>&1) && ! grep -q 'not a dynamic object' <<<"$symbols"; then
    fail "objdump -T cannot read $(basename "$program"): $symbols"
    return
  fi
  floor=$(echo "$symbols" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -Vu | tail -n 1)
  if [ -z "$floor" ]; then
    pass "$(basename "$program") asks for no glibc symbol version"
  elif [ "$(printf '%s\n' "$floor" 2.17 | sort -V | tail -n 1)" = 2.17 ]; then
    pass "$(basename "$program") asks for glibc $floor, no newer than 2.17"
  else
    fail "$(basename "$program") asks for glibc $floor, newer than 2.17:"
    echo "$symbols" | grep -F "(GLIBC_$floor)" | sed 's/^/  | /'
  fi
}

linux_package() {
  local package name version folder
  package=$(only_package linux tar.gz) || { fail "no Linux package"; return 1; }
  name=$(basename "$package" .tar.gz)
  version=${name#r7n-uart-}
  version=${version%-linux-x86_64}
  check_contents "$package" "$name" r7n_uart r7n_uart_sim R7n_Uart.cfg README.md \
    r7n_uart.1 r7n_uart_sim.1 terminfo/ terminfo/r/ terminfo/r/r7n-xterm
  mkdir "$work/linux"
  tar -xzf "$package" -C "$work/linux" || fail "tar cannot unpack $package"
  folder=$work/linux/$name
  version_check "Linux" "$version" "$folder/r7n_uart_sim"

  local program libraries others floor
  for program in r7n_uart r7n_uart_sim; do
    libraries=$(readelf -d "$folder/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    echo "$program needs the shared libraries: ${libraries:-none}"
    others=$(echo "$libraries" | grep -vxE 'libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2')
    if [ -z "$others" ]; then
      pass "$program needs no shared library but the C library's"
    else
      fail "$program needs more than the C library: $(echo $others)"
    fi
    glibc_floor "$folder/$program"
  done

  local page warnings
  for page in r7n_uart.1 r7n_uart_sim.1; do
    warnings=$( { MANWIDTH=80 man --warnings -l "$folder/$page" >/dev/null; } 2>&1
      groff -ww -man -z "$folder/$page" 2>&1)
    if [ -z "$warnings" ] && MANWIDTH=80 man -l "$folder/$page" 2>/dev/null | grep -q "EXIT STATUS"; then
      pass "man -l renders $page without warnings"
    else
      fail "$page: $warnings"
    fi
  done

  # A bare environment: the terminal description must come from the
  # system's database through what is compiled into the program.
  first_run "Linux" "$folder" "env -i TERM=xterm-256color '$folder/r7n_uart_sim'"
  # A type the system lacks: the package's own description stands in, and
  # the program says so after the session.
  tmux new-session -d -s t -x 80 -y 25 \
    "env -i TERM=r7n-no-such-term '$folder/r7n_uart_sim' 2>'$work/unknown-term.err'; echo EXIT=\$?; sleep 60"
  if wait_for 20 "<Q> Quit" "Linux: an unknown terminal type draws the menu all the same"; then
    tmux send-keys -t t q
    wait_for 10 "EXIT=0" "Linux: ... Q ends it with status 0"
    if grep -q "own description of an xterm-compatible terminal (r7n-xterm)" "$work/unknown-term.err"; then
      pass "Linux: ... and it says which description it used"
    else
      fail "Linux: after an unknown terminal type: $(cat "$work/unknown-term.err")"
    fi
  fi
  tmux kill-server 2>/dev/null
}

windows_package() {
  local package name version folder
  package=$(only_package windows zip) || { fail "no Windows package"; return 1; }
  name=$(basename "$package" .zip)
  version=${name#r7n-uart-}
  version=${version%-windows-x86_64}
  check_contents "$package" "$name" r7n_uart.exe r7n_uart_sim.exe R7n_Uart.cfg README.txt
  mkdir "$work/windows"
  (cd "$work/windows" && cmake -E tar xf "$package") || fail "cannot unpack $package"
  folder=$work/windows/$name
  check "README.txt has CR LF line ends" crlf_only "$folder/README.txt"
  check "R7n_Uart.cfg has CR LF line ends" crlf_only "$folder/R7n_Uart.cfg"
  if [ -f "$work/linux/${name/windows/linux}/R7n_Uart.cfg" ]; then
    check "R7n_Uart.cfg is the Linux package's, line ends aside" \
      cmp -s <(tr -d '\r' <"$folder/R7n_Uart.cfg") "$work/linux/${name/windows/linux}/R7n_Uart.cfg"
  fi
  version_check "Windows" "$version" wine "$folder/r7n_uart_sim.exe"

  local program dlls others
  for program in r7n_uart.exe r7n_uart_sim.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$folder/$program" | sed -n 's/^\s*DLL Name: //p')
    echo "objdump -p $program imports: $(echo $dlls)"
    others=$(echo "$dlls" | grep -viE '^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|ws2_32|winmm|msvcrt|ucrtbase|ntdll|bcrypt|shlwapi|version|psapi|api-ms-win-[a-z0-9-]+)\.dll$')
    if [ -n "$dlls" ] && [ -z "$others" ]; then
      pass "$program imports only Windows' own DLLs"
    else
      fail "$program imports other DLLs: $(echo $others)"
    fi
  done

  first_run "Windows" "$folder" "wine '$folder/r7n_uart_sim.exe'"
}

linux_package
windows_package
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ] && [ "$passes" -gt 0 ]
