#!/bin/sh
# Builds the Windows serial device and port list with the MinGW-w64 cross
# compiler, starts a virtual module on a pseudo-terminal, maps COM5 of a
# private Wine prefix to it and runs the Windows tests against it.
#   scripts/win-serial-try.sh            (from the source folder)
# Needs: g++-mingw-w64-x86-64-posix, wine64, googletest sources in
# /usr/src/googletest. Everything it makes goes below build-win-try/.
set -eu

src=$(cd "$(dirname "$0")/.." && pwd)
out="$src/build-win-try"
wine=${WINE:-/usr/lib/wine/wine64}
cxx=x86_64-w64-mingw32-g++-posix
port=COM5
gtest=/usr/src/googletest/googletest
mkdir -p "$out/gtest"

# GoogleTest for Windows, once.
if [ ! -f "$out/gtest/libgtest.a" ]; then
  for f in gtest-all gtest_main; do
    $cxx -std=c++20 -O1 -I"$gtest/include" -I"$gtest" -c "$gtest/src/$f.cc" -o "$out/gtest/$f.o"
  done
  x86_64-w64-mingw32-ar rcs "$out/gtest/libgtest.a" "$out/gtest/gtest-all.o" "$out/gtest/gtest_main.o"
fi

# The Windows test program, linked statically so Wine needs no MinGW DLLs.
$cxx -std=c++20 -Wall -Wextra -Werror -O1 -static -I"$src/src" -I"$gtest/include" \
  "$src/tests/serial/win/serial_device_win_test.cpp" \
  "$src/src/serial/serial_device_win.cpp" "$src/src/serial/port_list_win.cpp" \
  "$src/src/serial/port_list.cpp" "$src/src/serial/serial_config.cpp" \
  "$src/src/common/instructions.cpp" \
  "$out/gtest/libgtest.a" -o "$out/serial_device_win_test.exe"

# The module on the Linux side.
g++ -std=c++20 -Wall -Wextra -Werror -O1 -I"$src/src" \
  "$src/tests/serial/win/module_host.cpp" "$src/src/sim/virtual_module.cpp" \
  "$src/src/common/thread_name_linux.cpp" "$src/src/serial/custom_baud_linux.cpp" \
  "$src/src/serial/serial_config.cpp" -pthread -o "$out/module_host"

export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX/dosdevices" ] || "$wine" wineboot --init >/dev/null 2>&1

"$out/module_host" 115200 >"$out/module.out" &
module=$!
trap 'kill $module 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$out/module.out" ] && break; sleep 0.1; done
tty=$(head -n1 "$out/module.out")
[ -n "$tty" ] || { echo "the module gave no path" >&2; exit 1; }

# Wine maps its COM ports from HKLM\Software\Wine\Ports when it starts: it
# makes the dosdevices link and lists the port under SERIALCOMM, as a
# Windows serial driver does.
"$wine" reg add 'HKLM\Software\Wine\Ports' /v $port /d "$tty" /f >/dev/null 2>&1
"$(dirname "$wine")/wineserver" -k >/dev/null 2>&1 || true
# Started here with its output away from the tests'.
"$(dirname "$wine")/wineserver" -p5 >/dev/null 2>&1

status=0
ZEPHYN_TEST_PORT=$port timeout 300 "$wine" "$out/serial_device_win_test.exe" "$@" || status=$?

kill $module
wait $module || true
trap - EXIT
# What the module saw: the bytes the tests sent, and the rate Close put back.
tail -n +2 "$out/module.out"
"$(dirname "$wine")/wineserver" -k >/dev/null 2>&1 || true
exit $status
