#!/usr/bin/env bash
# Installs, with apt-get, what the fuzz build needs beyond install-deps.sh: clang 14 and its
# runtime libraries, which ship libFuzzer (libclang_rt.fuzzer-x86_64.a) and the sanitizers.
# Only what is missing is installed, so running it again is cheap.
exec bash "$(dirname "$0")/install-deps.sh" clang libclang-rt-14-dev zip
