#!/usr/bin/env bash
# Cross-builds the core and its tests for 64-bit Windows with MinGW-w64 into
# build-win/ and runs the Windows test programs under Wine, in a Wine prefix
# of their own inside build-win/ (made once). The exit status is the tests'.
# Needs g++-mingw-w64-x86-64-posix, mingw-w64, wine64 and googletest.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZEPHYN_WIN_BUILD_DIR:-$root/build-win}"

wine="$(command -v wine64 || true)"
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
if [ ! -x "$wine" ]; then
  echo "test-wine: no wine64 found (Debian package wine64)" >&2
  exit 2
fi

options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
         "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
         -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake")
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  export CCACHE_SLOPPINESS="pch_defines,time_macros,include_file_mtime,include_file_ctime"
fi
if [ "${ZEPHYN_WERROR:-0}" = "1" ]; then
  options+=(-DZEPHYN_WERROR=ON)
else
  options+=(-DZEPHYN_WERROR=OFF)
fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build"

# A private prefix: nothing of the user's own Wine set-up is read or changed.
export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offer to install Mono or Gecko
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1
fi
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver="$(command -v wineserver || echo wineserver)"
# The server stays up between the programs and is stopped at the end.
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT

status=0
for program in "$build"/tests/*_tests.exe; do
  echo "== $(basename "$program")"
  "$wine" "$program" --gtest_brief=1 || status=1
done
exit "$status"
