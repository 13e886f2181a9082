#!/usr/bin/env bash
# Builds Zephyn with its tests and runs every test. ZEPHYN_SANITIZE=1 builds
# with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/;
# ZEPHYN_TSAN=1 builds with ThreadSanitizer in build-tsan/ and runs the tests
# without a window (the distribution's Qt is not built for ThreadSanitizer, so
# the window tests would report the toolkit's own internals). ZEPHYN_WERROR=1
# treats compiler warnings as errors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

bash "$root/scripts/install-deps.sh"

# Line tables are all the test builds need from debug information (stack
# traces name file and line); the sanitizer builds optimize less, which
# builds faster and keeps their reports close to the source.
options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
         "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
# The compiler cache, when installed, serves a checkout at any path: paths
# below the checkout are hashed relative to it. The sloppiness settings let
# it take files compiled with a precompiled header; as each build makes its
# precompiled headers anew, those files still miss the cache.
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
build="${ZEPHYN_BUILD_DIR:-$root/build}"
selection=()
targets=()
if [ "${ZEPHYN_SANITIZE:-0}" = "1" ]; then
  build="${ZEPHYN_BUILD_DIR:-$root/build-asan}"
  options+=(-DZEPHYN_SANITIZE=ON -DZEPHYN_BUILD_BENCH=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
  # The packaging check installs and inspects files; the plain suite has it.
  selection=(-LE packaging)
elif [ "${ZEPHYN_TSAN:-0}" = "1" ]; then
  build="${ZEPHYN_BUILD_DIR:-$root/build-tsan}"
  options+=(-DZEPHYN_TSAN=ON -DZEPHYN_BUILD_BENCH=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
  selection=(-L core)
  targets=(--target core_tests serial_tests)
  export TSAN_OPTIONS="halt_on_error=1"
fi

cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" "${targets[@]}"
# Window tests run on the offscreen platform; they set it themselves too.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
# Two at a time; the tests that time what they test run alone (RUN_SERIAL).
ctest --test-dir "$build" --output-on-failure --timeout 600 -j2 "${selection[@]}"
