# Helpers every subsystem uses, so that a new library or test needs no build machinery of its own.

include(${CMAKE_CURRENT_LIST_DIR}/fast_build.cmake)

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
  set_property(GLOBAL APPEND PROPERTY THC_LIBRARIES ${name})
  thc_fast_library(${name})
endfunction()

# thc_byte_list(VAR file)
# Sets VAR to the bytes of file as C array initialisers, sixteen to a line.
function(thc_byte_list var file)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
    bytes "${bytes}")
  set(${var} "${bytes}" PARENT_SCOPE)
endfunction()

# thc_embed_bytes(SOURCE file OUTPUT cpp INCLUDE header NAMESPACE ns FUNCTION name)
# Writes a source file whose function `ns::name()` answers the bytes of SOURCE as a
# std::span<const std::uint8_t> (declared in INCLUDE); the build reconfigures when SOURCE changes.
function(thc_embed_bytes)
  cmake_parse_arguments(ARG "" "SOURCE;OUTPUT;INCLUDE;NAMESPACE;FUNCTION" "" ${ARGN})
  thc_byte_list(bytes ${ARG_SOURCE})
  file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${ARG_SOURCE})
  file(CONFIGURE OUTPUT ${ARG_OUTPUT} CONTENT "// Generated from ${name}; do not edit.
#include \"${ARG_INCLUDE}\"

namespace ${ARG_NAMESPACE} {
namespace {
const std::uint8_t kBytes[] = {
${bytes}
};
}  // namespace

std::span<const std::uint8_t> ${ARG_FUNCTION}() { return std::span<const std::uint8_t>(kBytes, sizeof kBytes); }

}  // namespace ${ARG_NAMESPACE}
" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ARG_SOURCE})
endfunction()

# thc_write_layers(FILE path FOLDERS folder...)
# Writes what the layering check reads: for each library its folder, the floor of that folder (its
# position in FOLDERS, lowest first), the project libraries it links and its sources, one library a
# line. Called once, after every folder has been added.
function(thc_write_layers)
  cmake_parse_arguments(ARG "" "FILE" "FOLDERS" ${ARGN})
  get_property(libraries GLOBAL PROPERTY THC_LIBRARIES)
  set(lines "")
  foreach(lib IN LISTS libraries)
    get_target_property(dir ${lib} SOURCE_DIR)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${dir})
    set(floor -1)
    set(best "")
    set(index 0)
    foreach(entry IN LISTS ARG_FOLDERS)
      string(LENGTH "${entry}" length)
      string(LENGTH "${best}" best_length)
      if((folder STREQUAL entry OR folder MATCHES "^${entry}/") AND length GREATER best_length)
        set(floor ${index})
        set(best ${entry})
      endif()
      math(EXPR index "${index} + 1")
    endforeach()
    if(floor EQUAL -1)
      message(FATAL_ERROR "${lib} lies in ${folder}, which the top-level list does not name")
    endif()
    set(deps "")
    foreach(prop LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(linked ${lib} ${prop})
      if(linked)
        foreach(item IN LISTS linked)
          string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
          if(item IN_LIST libraries AND NOT item IN_LIST deps)
            list(APPEND deps ${item})
          endif()
        endforeach()
      endif()
    endforeach()
    get_target_property(sources ${lib} SOURCES)
    set(paths "")
    foreach(source IN LISTS sources)
      if(source MATCHES "\\$<")
        continue()
      endif()
      if(NOT IS_ABSOLUTE "${source}")
        set(source ${dir}/${source})
      endif()
      file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${source})
      if(NOT rel MATCHES "^\\.\\.")
        list(APPEND paths ${rel})
      endif()
    endforeach()
    string(REPLACE ";" "," deps "${deps}")
    string(REPLACE ";" "," paths "${paths}")
    string(APPEND lines "${lib}\t${folder}\t${floor}\t${deps}\t${paths}\n")
  endforeach()
  string(REPLACE "," ";" lines "${lines}")
  file(WRITE ${ARG_FILE}.new "${lines}")
  file(COPY_FILE ${ARG_FILE}.new ${ARG_FILE} ONLY_IF_DIFFERENT)
  file(REMOVE ${ARG_FILE}.new)
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
  thc_fast_executable(${name} TEST)
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
  thc_fast_executable(${name} PROGRAM)
endfunction()

# thc_fuzz(NAME LABEL label SOURCES src... [DEPS lib...] CORPUS dir)
# A fuzz target defines LLVMFuzzerTestOneInput. It is linked with the project's own driver, which
# replays the committed seed corpus and a bounded number of deterministic mutations of it under the
# sanitizers, so CI exercises every reader of outside bytes without clang. With -DTHC_LIBFUZZER=ON
# and clang the whole tree is instrumented for coverage, AddressSanitizer and UndefinedBehaviorSanitizer,
# so that the fuzzer is guided through every library a target reaches, and each target is also built as
# a libFuzzer program fuzz/NAME_libfuzzer in the build tree (all of them: target thc_fuzz_all), beside
# fuzz/NAME.corpus, which names its seed corpus (scripts/fuzz reads both).
option(THC_LIBFUZZER "Build the fuzz targets as libFuzzer programs, every library instrumented (needs clang)" OFF)
if(THC_LIBFUZZER)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "THC_LIBFUZZER needs clang (configure with CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  add_custom_target(thc_fuzz_all)
endif()
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
    thc_fast_executable(${name} PROGRAM)
    add_test(NAME ${name} COMMAND ${name} ${ARG_CORPUS} --runs=${ARG_RUNS})
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL};fuzz"
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} TIMEOUT 600)
  endif()
  if(THC_LIBFUZZER)
    add_executable(${name}_libfuzzer ${ARG_SOURCES})
    target_compile_options(${name}_libfuzzer PRIVATE ${THC_WARNINGS})
    target_link_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer)
    target_include_directories(${name}_libfuzzer PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_link_libraries(${name}_libfuzzer PRIVATE ${ARG_DEPS})
    set_target_properties(${name}_libfuzzer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
    add_dependencies(thc_fuzz_all ${name}_libfuzzer)
    get_filename_component(corpus ${ARG_CORPUS} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/fuzz/${name}.corpus CONTENT "${corpus}\n")
  endif()
endfunction()
