# Functions that add the project's tests, each with a label:
#   host  native unit tests of the portable core (ASan + UBSan)
#   fuzz  libFuzzer targets run for a short time budget
#   wine  Windows test programs run under wine64 in a throwaway prefix
#   gui   Windows tests that need a display (a private Xvfb is started for them)
#   netns Windows tests run in a private network namespace (scripts/wine-run, KELNO_NETNS)

set(KELNO_FUZZ_SECONDS 10 CACHE STRING "Time budget of each fuzz target in the test run")
set(KELNO_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(KELNO_PACKAGE_DIR "${CMAKE_BINARY_DIR}/dist/Tavolen printer driver for windows")
# Host program that plays the network printers of the NETNS tests (tests/wine/simulated_printer).
set(KELNO_SIMULATED_PRINTER ${CMAKE_BINARY_DIR}/simulated_printer/kelno_simulated_printer)

# kelno_add_host_test(name SOURCES ... [LIBS ...])
function(kelno_add_host_test name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE kelno_portable GTest::gtest_main ${arg_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS host TIMEOUT 300)
endfunction()

# kelno_add_fuzz_target(name SOURCES ...): needs clang; the corpus folder
# tests/fuzz/corpus/<name> seeds the run when it exists.
function(kelno_add_fuzz_target name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    return()
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE kelno_portable_fuzz ${arg_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(work ${CMAKE_BINARY_DIR}/fuzz/${name})
  set(seeds ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            ${PROJECT_SOURCE_DIR}/scripts/run-fuzz $<TARGET_FILE:${name}> ${work} ${seeds} ${KELNO_FUZZ_SECONDS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()

# kelno_add_wine_test(name SOURCES ... [LIBS ...] [GUI] [PACKAGE] [NETNS] [TIMEOUT s])
#   PACKAGE  copy the built package folder into the prefix's "C:\Program Files (x86)"
#   NETNS    run in a private network namespace with the simulated network printer; skipped
#            (not failed) where no namespace can be made
function(kelno_add_wine_test name)
  cmake_parse_arguments(arg "GUI;PACKAGE;NETNS" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE kelno_wine_test_support GTest::gtest_main ${arg_LIBS})
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set(env "KELNO_WINE_ROOT=${KELNO_WINE_ROOT}" "KELNO_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/artifacts")
  set(labels wine)
  if(arg_GUI)
    list(APPEND env KELNO_GUI=1)
    list(APPEND labels gui)
  endif()
  if(arg_PACKAGE)
    list(APPEND env "KELNO_PACKAGE_DIR=${KELNO_PACKAGE_DIR}")
  endif()
  if(arg_NETNS)
    list(APPEND env KELNO_NETNS=1 "KELNO_NETNS_PRINTER=${KELNO_SIMULATED_PRINTER}")
    list(APPEND labels netns)
    add_dependencies(${name} kelno_simulated_printer)
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" ENVIRONMENT "${env}"
    TIMEOUT ${arg_TIMEOUT} FIXTURES_REQUIRED wine_template)
  if(arg_NETNS)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endfunction()
