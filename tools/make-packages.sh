#!/bin/sh
# Builds the release packages into build/packages/:
#   r7n-uart-VERSION-linux-x86_64.tar.gz  (release preset: ncursesw, the C++
#                                          runtime and the C library linked in)
#   r7n-uart-VERSION-windows-x86_64.zip   (windows preset, mingw-w64)
# Each is a CMake workflow: configure, build the two programs, run CPack.
set -eu
cd "$(dirname "$0")/.."

sh tools/install-deps.sh all

rm -f build/packages/r7n-uart-*  # a package of an older version would linger
cmake --workflow --preset release-package
cmake --workflow --preset windows-package
