#!/usr/bin/env bash
# Builds the player's and the output's tests with ThreadSanitizer and runs
# them: the render thread and the position log are shared between two threads
# without locks.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBSA_SANITIZE=thread -DBSA_WERROR="${BSA_WERROR:-OFF}" >/dev/null
cmake --build build-tsan -j"$(nproc)" --target test_player test_output
for t in test_player test_output; do
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ./build-tsan/tests/$t --gtest_brief=1
done
