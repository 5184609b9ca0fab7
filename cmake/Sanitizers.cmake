# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build; any report fails the run.
if(KORVEL_SANITIZE)
  add_compile_options(-fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # Under clang every object also carries libFuzzer's coverage, so the fuzzers link from the same
    # objects as the sanitizer suite instead of a tree of their own; outside a fuzzer the coverage
    # hooks are the sanitizer runtime's empty ones.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
    # Warnings are errors in the gcc builds; another compiler's extra warnings must not stop the run.
    target_compile_options(korvel_common_cfg INTERFACE -Wno-error)
    set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O1 -gline-tables-only -DNDEBUG")
    # The tests that weigh resident memory or time the server's loop ask gcc's __SANITIZE_ADDRESS__;
    # this clang says so only through __has_feature(address_sanitizer).
    set(KORVEL_TEST_DEFINITIONS __SANITIZE_ADDRESS__=1)
  else()
    add_compile_options(-fsanitize=address,undefined)
    # This build exists to find faults: -O1 keeps the reports' stacks whole, and line tables (-g1)
    # are all a report needs. Both compile the sanitized code about 40 % faster than -O2 -g.
    set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O1 -g1 -DNDEBUG")
  endif()
endif()
