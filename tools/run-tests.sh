#!/usr/bin/env bash
# run-tests.sh BUILD_DIR: every test through CTest, on a private X display.
set -u
build_dir=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
exec bash "$here/with-xvfb.sh" ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 600
