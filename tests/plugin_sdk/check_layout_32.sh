#!/usr/bin/env bash
# Compiles every plug-in SDK header as C and as C++ for a 32-bit target, where the layout
# assertions check the historical offsets. Exit 77 (skipped) when -m32 is not available.
set -u
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo '#include <stdint.h>' > "$work/probe.c"
if ! "${CC:-cc}" -m32 -fsyntax-only "$work/probe.c" 2>/dev/null; then
  echo "skipped: the compiler cannot build for -m32 (install g++-multilib)"
  exit 77
fi

status=0
for header in "$root"/plugin_sdk/*.h; do
  printf '#include "%s"\n' "$header" > "$work/one.c"
  "${CC:-cc}" -m32 -std=c11 -Wall -Wextra -Werror -fsyntax-only -I"$root" "$work/one.c" || status=1
  "${CXX:-c++}" -m32 -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I"$root" -x c++ "$work/one.c" || status=1
done
[ $status -eq 0 ] && echo "32-bit layout of the plug-in SDK: ok"
exit $status
