#!/usr/bin/env bash
# Builds the project and runs every test: the unit tests, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, the consumer
# projects (add_subdirectory, find_package, pkg-config) and each fuzz target
# for a short while.  Installs the Debian packages it needs.
#
#   scripts/test.sh            everything (what CI runs)
#   scripts/test.sh --quick    only the normal build and its unit tests
#
# Environment: CORVANE_FUZZ_SECONDS (default 30) per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
quick=0
[ "${1:-}" = "--quick" ] && quick=1
jobs=$(nproc)
fuzz_seconds=${CORVANE_FUZZ_SECONDS:-30}

sets=(build test)
((quick)) || sets+=(fuzz)
scripts/deps.sh "${sets[@]}"

stamp() { date +%s; }
t0=$(stamp)
failed=()

echo "=== build and unit tests (build/)"
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs") || failed+=(unit)
t1=$(stamp)
echo "--- unit tests took $((t1 - t0)) s"

if ((quick)); then
  ((${#failed[@]} == 0)) || { echo "FAILED: ${failed[*]}"; exit 1; }
  exit 0
fi

echo "=== consumer projects"
tests/consumer/run.sh . build build/consumer || failed+=(consumer)
t2=$(stamp)
echo "--- consumer projects took $((t2 - t1)) s"

echo "=== corvane-wincgi behind lighttpd (end to end)"
tests/e2e/wincgi/run_e2e.sh build || failed+=(wincgi-e2e)
t2b=$(stamp)
echo "--- end-to-end test took $((t2b - t2)) s"
t2=$t2b

echo "=== sanitizer build and unit tests (build-asan/)"
cmake -G Ninja -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
      -DCORVANE_SANITIZE=address,undefined -DCORVANE_BUILD_GALLERY=OFF >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
   LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   ctest --output-on-failure -j "$jobs") || failed+=(sanitizer)
t3=$(stamp)
echo "--- sanitizer build and tests took $((t3 - t2)) s"

echo "=== ThreadSanitizer build of the threaded units (build-tsan/)"
cmake -G Ninja -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCORVANE_SANITIZE=thread -DCORVANE_BUILD_GALLERY=OFF >/dev/null
tsan_tests=(test_platform_classes test_platform_win test_platform_controls test_runtime_timing)
cmake --build build-tsan -j "$jobs" --target "${tsan_tests[@]}"
mkdir -p build-tsan/tests/tmp
for t in "${tsan_tests[@]}"; do
  echo "--- $t"
  if ! (cd build-tsan/tests && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
        CORVANE_TEST_TMP="$root/build-tsan/tests/tmp" "./$t" >"../$t.log" 2>&1); then
    tail -n 60 "build-tsan/$t.log"
    failed+=("tsan:$t")
  else
    grep -E '^\[  PASSED  \]' "build-tsan/$t.log" || true
  fi
done
t3b=$(stamp)
echo "--- ThreadSanitizer build and tests took $((t3b - t3)) s"
t3=$t3b

echo "=== fuzz targets, ${fuzz_seconds} s each (build-fuzz/)"
cmake -G Ninja -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ -DCORVANE_BUILD_FUZZ=ON \
      -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_GALLERY=OFF >/dev/null
cmake --build build-fuzz -j "$jobs"
for f in build-fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="$root/fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "--- $name"
  if ! "$f" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$work" >"build-fuzz/$name.log" 2>&1; then
    tail -n 40 "build-fuzz/$name.log"
    failed+=("$name")
  fi
  rm -rf "$work"
done
t4=$(stamp)
echo "--- fuzzing took $((t4 - t3)) s"

echo "=== total $((t4 - t0)) s"
if ((${#failed[@]})); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test stages passed."
