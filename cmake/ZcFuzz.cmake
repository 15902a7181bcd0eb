# The libFuzzer targets (ZC_FUZZ): built with clang, under AddressSanitizer and
# UndefinedBehaviorSanitizer, each in a build tree of its own.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "ZC_FUZZ needs clang++ (libFuzzer)")
endif()
set(ZC_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)

# zc_add_fuzz_target(NAME SOURCE...): a libFuzzer program of the sources, all of them
# instrumented, with the harness's shared start-up (shared/fuzzinput.h).
function(zc_add_fuzz_target name)
  add_executable(${name} ${ARGN} ${PROJECT_SOURCE_DIR}/shared/fuzzinput.h)
  target_compile_options(${name} PRIVATE ${ZC_FUZZ_SANITIZERS} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE ${ZC_FUZZ_SANITIZERS} -fsanitize=fuzzer)
endfunction()
