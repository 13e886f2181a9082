#!/usr/bin/env bash
# The program answers --version and --help with no window system to connect
# to: exit status 0 and the answer on standard output.
# Usage: command_line_test.sh PROGRAM VERSION
set -uo pipefail
program="$1"
version="$2"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failures=0

for option in --version -v --help -h; do
  output=$("$program" "$option" 2>&1)
  status=$?
  case "$option" in
    --version | -v) expected="zephyn $version" ;;
    *) expected="--port <PATH>" ;;
  esac
  if [ "$status" -ne 0 ] || [[ "$output" != *"$expected"* ]]; then
    echo "FAIL: $option exited $status with: $output"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "command line: all checks passed"
exit "$failures"
