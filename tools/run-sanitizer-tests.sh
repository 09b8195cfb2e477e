#!/usr/bin/env bash
# run-sanitizer-tests.sh [BUILD_DIR]: builds the whole project with AddressSanitizer, LeakSanitizer
# and UndefinedBehaviorSanitizer (KELVO_SANITIZE) in BUILD_DIR (default build-asan) and runs, on a
# private X display, every test labelled unit or gl and the end-to-end tests labelled sanitize.
#
# End-to-end tests start the sanitizer build of KELVOview; it inherits the options below, and a
# report in its log fails the test (tests/support/ViewerSession). They are slow under the
# sanitizers, so only the few labelled sanitize (in place of e2e) run. KELVO_SANITIZE_E2E_SAMPLE
# replaces that sample (a CTest regular expression over their names, "." for all).
#
# KELVO_CONTENT_FROM names the runtime tree of a build of the same sources (make test passes the
# Release build's): its generated content is copied instead of building and running the
# generators with the sanitizers (see tools/CMakeLists.txt).
set -u
build_dir=${1:-build-asan}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
jobs=${JOBS:-$(nproc)}

# Also in force while building: the build runs the generators under tools/ and lists the tests.
# Every process keeps the libraries it loads (see sanitizers/KeepLibrariesLoaded.cpp); the preloaded
# library is not the sanitizer runtime, so the runtime's check that it comes first is switched off.
mkdir -p "$build_dir" || exit 1
keeper="$(cd "$build_dir" && pwd)/libkelvo-keep-libraries-loaded.so"
c++ -shared -fPIC -O1 -o "$keeper" "$here/sanitizers/KeepLibrariesLoaded.cpp" || exit 1
export LD_PRELOAD="$keeper"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:exitcode=1:verify_asan_link_order=0"
# Thread-local storage is no root of the leak scan: the scanner misreads the dynamic TLS blocks that
# this C library leaves unallocated and crashes on them. Without those roots it reports more, never
# less: memory held only by a thread-local pointer shows as leaked.
export LSAN_OPTIONS="suppressions=$here/sanitizers/lsan-suppressions.txt:print_suppressions=0:use_tls=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"


start=$(date +%s)
content_from=${KELVO_CONTENT_FROM:-}
if [ -n "$content_from" ]; then
  content_from=$(cd "$content_from" && pwd) || exit 1
fi
cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DKELVO_SANITIZE=ON \
      -DKELVO_BUILD_BENCHMARKS=OFF -DKELVO_GENERATED_CONTENT_FROM="$content_from" >/dev/null || exit 1
cmake --build "$build_dir" -j"$jobs" || exit 1
built=$(date +%s)
echo "run-sanitizer-tests.sh: sanitizer build took $((built - start)) s"

ctest_run() {
  bash "$here/with-xvfb.sh" ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" \
      --timeout 900 "$@"
}

# LeakSanitizer's own tracer, which stops every thread to scan for leaks at exit, now and then
# crashes ("LeakSanitizer has encountered a fatal error") after a test has passed. Such a test is
# run once more; any other failure stands.
tracer_crashes() {
  awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 }
       /LeakSanitizer has encountered a fatal error/ { print name }' \
      "$build_dir/Testing/Temporary/LastTest.log" | sort -u
}
ctest_run_and_retry_tracer_crashes() {
  ctest_run "$@" && return 0
  local failed crashed
  # A parameterised test is listed with its parameter after "  # "; the log names it without.
  failed=$(cut -d: -f2- "$build_dir/Testing/Temporary/LastTestsFailed.log" | sed 's/  # .*//' |
           sort -u)
  crashed=$(tracer_crashes)
  if [ -z "$failed" ] || [ -n "$(comm -23 <(echo "$failed") <(echo "$crashed"))" ]; then
    return 1
  fi
  echo "run-sanitizer-tests.sh: the leak checker itself crashed in: $(echo $failed); running again"
  ctest_run -R "^($(echo "$failed" | sed 's/[.]/\\./g' | paste -sd'|'))(  # .*)?$"
}

ctest_run_and_retry_tracer_crashes -L '^(unit|gl)$'
status=$?
if [ -n "${KELVO_SANITIZE_E2E_SAMPLE:-}" ]; then
  ctest_run_and_retry_tracer_crashes -L '^(e2e|sanitize)$' -R "$KELVO_SANITIZE_E2E_SAMPLE" || status=1
else
  ctest_run_and_retry_tracer_crashes -L '^sanitize$' || status=1
fi
echo "run-sanitizer-tests.sh: sanitizer tests took $(($(date +%s) - built)) s"
exit $status
