# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build, halting on the first report.
# The fuzz build adds libFuzzer's coverage instrumentation on top. Line tables (-g1) are all a
# sanitizer's stack trace needs; full debug info made the build with its hundred statically linked
# test programs some 14 GB, more than a CI machine's disk had free.
if(QUORIN_SANITIZE OR QUORIN_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g1)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
if(QUORIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QUORIN_FUZZ needs clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_compile_definitions(QUORIN_FUZZING=1)
endif()
