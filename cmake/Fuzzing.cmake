# The libFuzzer targets build in the clang sanitizer tree (tools/build-asan.sh): every object there is
# instrumented for libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer; only the fuzzers link
# libFuzzer's main.
if(KORVEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KORVEL_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  set(KORVEL_SANITIZE ON)
endif()
