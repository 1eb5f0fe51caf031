# Helpers every subsystem uses, so that a new library or test needs no build machinery of its own.

# thc_library(NAME SOURCES src... [DEPS lib...] [PRIVATE_DEPS lib...])
# A static library whose public headers sit in its folder; include paths are rooted at the source
# tree, so a header is included as "core/byte_io.h".
function(thc_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  target_compile_options(${name} PRIVATE ${THC_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# thc_test(NAME LABEL label SOURCES src... [DEPS lib...] [TIMEOUT seconds])
# LABEL may be a list: LABEL "pdf;interop".
# One GoogleTest executable registered as one ctest test, labelled by subsystem (ctest -L label).
function(thc_test name)
  if(NOT THC_TESTS)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "LABEL;TIMEOUT" "SOURCES;DEPS")
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${THC_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABEL}"
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    ENVIRONMENT "THC_SOURCE_DIR=${PROJECT_SOURCE_DIR};THC_BINARY_DIR=${PROJECT_BINARY_DIR};ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1")
  if(ARG_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  endif()
endfunction()

# thc_program(NAME SOURCES src... [DEPS lib...])
function(thc_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${THC_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# thc_fuzz(NAME LABEL label SOURCES src... [DEPS lib...] CORPUS dir)
# A fuzz target defines LLVMFuzzerTestOneInput. It is linked with the project's own driver, which
# replays the committed seed corpus and a bounded number of deterministic mutations of it under the
# sanitizers, so CI exercises every reader of outside bytes without clang. With
# -DTHC_LIBFUZZER=ON and clang the same sources build as libFuzzer targets (NAME_libfuzzer).
option(THC_LIBFUZZER "Also build libFuzzer targets (needs clang)" OFF)
function(thc_fuzz name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "LABEL;CORPUS;RUNS" "SOURCES;DEPS")
  if(NOT ARG_RUNS)
    set(ARG_RUNS 3000)
  endif()
  if(THC_TESTS)
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE ${THC_WARNINGS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} thc_fuzz_driver)
    add_test(NAME ${name} COMMAND ${name} ${ARG_CORPUS} --runs=${ARG_RUNS})
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL};fuzz"
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} TIMEOUT 600)
  endif()
  if(THC_LIBFUZZER AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(${name}_libfuzzer ${ARG_SOURCES})
    target_compile_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_include_directories(${name}_libfuzzer PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_link_libraries(${name}_libfuzzer PRIVATE ${ARG_DEPS})
  endif()
endfunction()
