# KELVO_SANITIZE builds everything (libraries, plug-ins, the viewer, tests) with AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer. Undefined behaviour aborts instead of only being
# reported, so a test that reaches it fails. -O1 keeps the build and the tests fast enough for CI
# while the stack traces stay readable.
option(KELVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(KELVO_SANITIZE)
  set(kelvo_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(${kelvo_sanitize_flags} -O1 -g)
  add_link_options(${kelvo_sanitize_flags})
endif()
