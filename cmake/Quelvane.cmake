# Build conventions shared by every folder: one interface target with the warning and sanitizer
# flags, one helper per kind of target so each folder's CMakeLists.txt stays a few lines, and an
# include folder per library that holds only that library's headers. A library sees the headers
# of the libraries it links and no others, so an include that reaches up a layer fails to compile.

add_library(quelvane_options INTERFACE)
target_compile_options(quelvane_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wsuggest-override -Werror)
# GCC 12 at -O2 and above reports -Wrestrict inside libstdc++'s std::string::_M_replace for plain
# assignments and concatenations (GCC bug 105651, mended in GCC 13); only that compiler gets it off.
target_compile_options(quelvane_options INTERFACE
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>,$<NOT:$<CONFIG:Debug>>>:-Wno-restrict>)

if(QUELVANE_SANITIZE)
  target_compile_options(quelvane_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quelvane_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
if(QUELVANE_TSAN)
  target_compile_options(quelvane_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(quelvane_options INTERFACE -fsanitize=thread)
endif()
if(QUELVANE_FUZZ)
  target_compile_options(quelvane_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quelvane_options INTERFACE -fsanitize=address,undefined)
endif()

# quelvane_headers(TARGET SCOPE FOLDER ...): gives TARGET (PUBLIC, PRIVATE or INTERFACE) an include
# folder in the build tree that links to the headers directly inside each source FOLDER, keeping
# their paths, so `#include <engine/JobApply.h>` works for exactly the targets meant to see it.
function(quelvane_headers target scope)
  string(TOLOWER "${scope}" kind)
  set(root "${PROJECT_BINARY_DIR}/include/${target}/${kind}")
  file(REMOVE_RECURSE "${root}")
  foreach(folder ${ARGN})
    file(GLOB headers CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.h")
    file(MAKE_DIRECTORY "${root}/${folder}")
    foreach(header ${headers})
      get_filename_component(leaf "${header}" NAME)
      file(CREATE_LINK "${header}" "${root}/${folder}/${leaf}" SYMBOLIC)
    endforeach()
  endforeach()
  target_include_directories(${target} ${scope} "${root}")
endfunction()

# quelvane_library(NAME SOURCES ... HEADERS folder... [PRIVATE_HEADERS folder...] DEPS ...): one
# layer's library; HEADERS are what its users include, PRIVATE_HEADERS only its own sources.
function(quelvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS;PRIVATE_HEADERS;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC quelvane_options ${ARG_DEPS})
  quelvane_headers(${name} PUBLIC ${ARG_HEADERS})
  if(ARG_PRIVATE_HEADERS)
    quelvane_headers(${name} PRIVATE ${ARG_PRIVATE_HEADERS})
  endif()
endfunction()

# The shared helpers of tests, benchmarks and fuzzers (tests/TestSupport.h and the fixtures beside
# the tests), seen as <tests/...>.
add_library(quelvane_test_support INTERFACE)
set(test_support_root "${PROJECT_BINARY_DIR}/include/quelvane_test_support")
file(REMOVE_RECURSE "${test_support_root}")
file(MAKE_DIRECTORY "${test_support_root}")
file(CREATE_LINK "${PROJECT_SOURCE_DIR}/tests" "${test_support_root}/tests" SYMBOLIC)
target_include_directories(quelvane_test_support INTERFACE "${test_support_root}")

# quelvane_test(NAME SOURCES ... DEPS ... [ENV VAR=VALUE ...] [THREADED]): a GoogleTest program.
# Under the ThreadSanitizer build only the THREADED ones are built.
function(quelvane_test name)
  cmake_parse_arguments(ARG "THREADED" "" "SOURCES;DEPS;ENV" ${ARGN})
  if(QUELVANE_TSAN AND NOT ARG_THREADED)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quelvane_options quelvane_test_support ${ARG_DEPS} quelvane_test_main
    GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE QUELVANE_CORPUS_DIR="${QUELVANE_CORPUS_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  # The environment is set by a file of our own that ctest reads after the discovered tests:
  # gtest_discover_tests (CMake 3.25) splits a list-valued property, which would keep only the
  # first variable.
  set(test_env "LC_ALL=C.UTF-8" ${ARG_ENV})
  set(env_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
  file(WRITE "${env_file}"
    "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT [==[${test_env}]==])\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${env_file}")
endfunction()

# quelvane_bench(NAME SOURCES ... DEPS ...): a timing program that prints its figures.
function(quelvane_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quelvane_options quelvane_test_support ${ARG_DEPS})
endfunction()

# quelvane_fuzzer(NAME SOURCES ... DEPS ...): a libFuzzer target.
function(quelvane_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quelvane_options quelvane_test_support ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
