#!/usr/bin/env bash
# run-benchmarks.sh BUILD_DIR: runs every benchmark program built under BUILD_DIR/bench on a
# private X display.
set -u
build_dir=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for program in $(find "$build_dir/bench" -type f -executable -name '*_bench' | sort); do
  echo "== $program"
  bash "$here/with-xvfb.sh" "$program" || status=1
done
exit $status
