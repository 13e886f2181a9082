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

options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
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
  options+=(-DZEPHYN_SANITIZE=ON -DZEPHYN_BUILD_BENCH=OFF)
elif [ "${ZEPHYN_TSAN:-0}" = "1" ]; then
  build="${ZEPHYN_BUILD_DIR:-$root/build-tsan}"
  options+=(-DZEPHYN_TSAN=ON -DZEPHYN_BUILD_BENCH=OFF)
  selection=(-L core)
  targets=(--target core_tests serial_tests)
  export TSAN_OPTIONS="halt_on_error=1"
fi

cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" "${targets[@]}"
# Window tests run on the offscreen platform; they set it themselves too.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
ctest --test-dir "$build" --output-on-failure --timeout 600 "${selection[@]}"
