# Build-speed levers for the test tree: unity batches for every target of several sources, shared
# precompiled headers for the others, line-table debug information and a faster linker. The release tree builds without the
# first two, so a source that leans on a header it does not include still fails there.

if(THC_TESTS)
  set(_thc_fast_default ON)
else()
  set(_thc_fast_default OFF)
endif()
option(THC_FAST_BUILD "Precompiled headers and unity batches (default: on in the test tree)" ${_thc_fast_default})
set(THC_UNITY_BATCH 8 CACHE STRING "Sources per unity batch")
set(THC_UNITY_MIN_SOURCES 2 CACHE STRING "A target with at least this many sources builds in unity batches")

if(THC_SANITIZE)
  # Sanitizer reports need file and line, not the types and locals of every frame; line tables cut
  # the compile and link work of the test tree. -DTHC_FULL_DEBUG_INFO=ON brings the rest back.
  option(THC_FULL_DEBUG_INFO "Full debug information in the sanitizer tree" OFF)
  if(NOT THC_FULL_DEBUG_INFO)
    add_compile_options(-g1)
  endif()
endif()

if(THC_FAST_BUILD)
  # Standard and test-framework headers every source pays for, parsed once per tree: libraries share
  # one header built as position-independent code, tests one with the test framework, fuzz targets
  # and programs one without it (its macros must match where a header is used). Only targets that
  # compile their sources one by one use them: a batch parses its headers once anyway, and loading
  # the large precompiled file costs it more than it saves. The ccache
  # sloppiness lets the compiler cache accept sources compiled with them; its depend mode keys a
  # result on the compiler's own dependency list, so a miss costs no extra preprocessor run.
  if(CCACHE_PROGRAM)
    set(_thc_launcher ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
      CCACHE_DEPEND=1 ${CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${_thc_launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${_thc_launcher})
  endif()

  find_program(THC_LLD ld.lld)
  if(THC_LLD)
    add_link_options(-fuse-ld=lld)
  endif()

  set(THC_PCH_STD
    <algorithm> <array> <cmath> <cstddef> <cstdint> <cstdio> <cstdlib> <cstring> <functional>
    <map> <memory> <optional> <span> <string> <string_view> <utility> <vector>)
  set(_thc_pch_stub ${PROJECT_BINARY_DIR}/pch_stub.cpp)
  file(CONFIGURE OUTPUT ${_thc_pch_stub} CONTENT "int main() { return 0; }\n")

  add_library(thc_pch_library STATIC ${_thc_pch_stub})
  target_compile_options(thc_pch_library PRIVATE ${THC_WARNINGS})
  target_include_directories(thc_pch_library PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  target_precompile_headers(thc_pch_library PRIVATE ${THC_PCH_STD})

  if(THC_TESTS)
    add_executable(thc_pch_program ${_thc_pch_stub})
    target_compile_options(thc_pch_program PRIVATE ${THC_WARNINGS})
    target_include_directories(thc_pch_program PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_precompile_headers(thc_pch_program PRIVATE ${THC_PCH_STD})

    add_executable(thc_pch_test ${_thc_pch_stub})
    target_compile_options(thc_pch_test PRIVATE ${THC_WARNINGS})
    target_include_directories(thc_pch_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_link_libraries(thc_pch_test PRIVATE GTest::gtest GTest::gmock)
    target_precompile_headers(thc_pch_test PRIVATE ${THC_PCH_STD} <filesystem> <fstream> <sstream>
      <gtest/gtest.h> <gmock/gmock.h>)
  endif()
endif()

# thc_fast_unity(target): a target of several sources builds them in batches, so the headers and
# the template code they share are compiled once a batch. Generated sources stay out: their
# generator already writes a few large units, each with the same file-local helpers.
function(thc_fast_unity name)
  get_target_property(sources ${name} SOURCES)
  set(count 0)
  foreach(source IN LISTS sources)
    get_source_file_property(generated ${source} GENERATED)
    if(generated)
      set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    elseif(source MATCHES "\\.(cpp|cc|cxx|c)$")
      math(EXPR count "${count} + 1")
    endif()
  endforeach()
  if(count GREATER_EQUAL THC_UNITY_MIN_SOURCES)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${THC_UNITY_BATCH})
  endif()
endfunction()

# thc_fast_library(target): a library builds in batches, or alone shares the library header.
function(thc_fast_library name)
  if(NOT THC_FAST_BUILD)
    return()
  endif()
  thc_fast_unity(${name})
  get_target_property(batched ${name} UNITY_BUILD)
  if(NOT batched)
    target_precompile_headers(${name} REUSE_FROM thc_pch_library)
  endif()
endfunction()

# thc_fast_executable(target TEST|PROGRAM): an executable builds in batches, or alone shares a header:
# a test the test header, a fuzz target or program the standard one.
function(thc_fast_executable name kind)
  if(NOT THC_FAST_BUILD OR NOT THC_TESTS)
    return()
  endif()
  thc_fast_unity(${name})
  get_target_property(batched ${name} UNITY_BUILD)
  if(NOT batched)
    if(kind STREQUAL "TEST")
      target_precompile_headers(${name} REUSE_FROM thc_pch_test)
    else()
      target_precompile_headers(${name} REUSE_FROM thc_pch_program)
    endif()
  elseif(kind STREQUAL "TEST" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # In a batch every test source is an included file, and the compiler then reports each
    # fixture of an anonymous namespace as a header type with internal linkage; the check guards
    # headers, which the release tree and a build without batches still compile with it.
    target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  endif()
endfunction()

# thc_unity_skip(target source...): sources whose file-local names clash with a neighbour's build on
# their own. A test missing from this tree (the release tree has none) is passed over.
function(thc_unity_skip name)
  if(NOT THC_FAST_BUILD OR NOT TARGET ${name})
    return()
  endif()
  set_source_files_properties(${ARGN} TARGET_DIRECTORY ${name} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()
