# The fuzzing build: every target instrumented for libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer; the fuzzers themselves link libFuzzer's main. clang only.
if(KORVEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KORVEL_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  # Warnings are errors in the gcc builds; another compiler's extra warnings must not stop fuzzing.
  target_compile_options(korvel_common_cfg INTERFACE -Wno-error)
  # As in the sanitizer build: -O1 with line tables is all a fuzzer's report needs, and compiles the
  # instrumented tree much faster than -O2 -g.
  set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O1 -gline-tables-only -DNDEBUG")
endif()
