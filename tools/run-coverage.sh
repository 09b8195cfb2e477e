#!/usr/bin/env bash
# run-coverage.sh [BUILD_DIR]: builds the project with --coverage in BUILD_DIR (default
# build-coverage; Debug, one translation unit per source so that every line counts where it is
# written), runs the whole suite there on a private X display and prints gcovr's line coverage of
# viewer/, ocean/ and plugins/. The report by file is left in BUILD_DIR/coverage.txt. The coverage
# is printed even when a test fails; the exit status is the suite's.
set -u
build_dir=${1:-build-coverage}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
jobs=${JOBS:-$(nproc)}

bash "$here/install-deps.sh" gcovr || exit 1
cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DKELVO_BUILD_BENCHMARKS=OFF \
      -DKELVO_UNITY_BUILD=OFF -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage \
      -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage \
      -DCMAKE_MODULE_LINKER_FLAGS=--coverage >/dev/null || exit 1
cmake --build "$build_dir" -j"$jobs" || exit 1
build_dir=$(cd "$build_dir" && pwd)

# Counts of an earlier run would add up with this one's.
find "$build_dir" -name '*.gcda' -delete
bash "$here/run-tests.sh" "$build_dir"
status=$?

cd "$source_dir" || exit 1
gcovr --root "$source_dir" --filter 'viewer/' --filter 'ocean/' --filter 'plugins/' \
      --output "$build_dir/coverage.txt" --print-summary "$build_dir" || exit 1
exit $status
