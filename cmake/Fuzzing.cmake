# KELVO_FUZZ builds the whole project for the libFuzzer targets under fuzz/: every library is
# instrumented for coverage (fuzzer-no-link) and checked by AddressSanitizer and
# UndefinedBehaviorSanitizer, and undefined behaviour aborts so that the fuzzer records it as a
# crash. Only the fuzz targets link the fuzzer's own main. It needs clang (CC=clang CXX=clang++).
option(KELVO_FUZZ "Build the libFuzzer targets (clang) with AddressSanitizer and UBSan" OFF)
if(KELVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KELVO_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  set(kelvo_fuzz_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined)
  add_compile_options(-fsanitize=fuzzer-no-link ${kelvo_fuzz_sanitizers} -fno-omit-frame-pointer -g)
  add_link_options(${kelvo_fuzz_sanitizers})
endif()
