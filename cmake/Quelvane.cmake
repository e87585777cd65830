# Build conventions shared by every folder: one interface target with the warning and sanitizer
# flags, and one helper per kind of target so each folder's CMakeLists.txt stays a few lines.

add_library(quelvane_options INTERFACE)
target_compile_options(quelvane_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wsuggest-override -Werror)
target_include_directories(quelvane_options INTERFACE ${PROJECT_SOURCE_DIR})

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

# quelvane_library(NAME SOURCES ... DEPS ...): one layer's library.
function(quelvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC quelvane_options ${ARG_DEPS})
endfunction()

# quelvane_test(NAME SOURCES ... DEPS ... [ENV VAR=VALUE ...] [THREADED]): a GoogleTest program.
# Under the ThreadSanitizer build only the THREADED ones are built.
function(quelvane_test name)
  cmake_parse_arguments(ARG "THREADED" "" "SOURCES;DEPS;ENV" ${ARGN})
  if(QUELVANE_TSAN AND NOT ARG_THREADED)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quelvane_options ${ARG_DEPS} quelvane_test_main GTest::gtest GTest::gmock)
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
  target_link_libraries(${name} PRIVATE quelvane_options ${ARG_DEPS})
endfunction()

# quelvane_fuzzer(NAME SOURCES ... DEPS ...): a libFuzzer target.
function(quelvane_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quelvane_options ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
