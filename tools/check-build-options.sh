#!/usr/bin/env bash
# Configures every documented build option combination: a target that one of them lacks fails
# here, where CMake generates. (The ThreadSanitizer tree of `make test` builds the effect control
# without the player; the other combinations build what the test trees build.)
# usage: tools/check-build-options.sh BUILD_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?build folder}
passed=0
failed=0

run() { # NAME CMAKE_ARGS...
  local name=$1; shift
  local dir="$out/$name" log="$out/$name.log"
  mkdir -p "$dir"
  if cmake -S "$src" -B "$dir" "$@" >"$log" 2>&1; then
    echo "build options $name: ok"; passed=$((passed + 1))
  else
    tail -n 40 "$log"; echo "build options $name: FAILED" >&2; failed=$((failed + 1))
  fi
}

run no-tests-bench -DCMAKE_BUILD_TYPE=Release -DLYRAVOX_BUILD_TESTS=OFF -DLYRAVOX_BUILD_BENCH=ON
run no-tests-no-bench -DCMAKE_BUILD_TYPE=Release -DLYRAVOX_BUILD_TESTS=OFF -DLYRAVOX_BUILD_BENCH=OFF
run package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DLYRAVOX_BUILD_TESTS=OFF -DLYRAVOX_BUILD_BENCH=OFF
run effect-only -DCMAKE_BUILD_TYPE=Release -DLYRAVOX_BUILD_PLAYER=OFF -DLYRAVOX_BUILD_TESTS=OFF \
  -DLYRAVOX_BUILD_BENCH=ON
echo "options: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
