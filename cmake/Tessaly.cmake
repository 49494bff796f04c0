# Helpers shared by every folder of the project.
include(GoogleTest)

set(TESSALY_WARNINGS -Wall -Wextra -Werror)

# tessaly_library(name STATIC|SHARED|MODULE|INTERFACE SOURCES ... LIBS ...)
function(tessaly_library name kind)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(kind STREQUAL "STATIC" AND NOT ARG_SOURCES)
    set(kind INTERFACE)  # a folder that has only headers so far
  endif()
  if(kind STREQUAL "INTERFACE")
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    return()
  endif()
  add_library(${name} ${kind} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${TESSALY_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# tessaly_test(name SOURCES ... LIBS ...): one GoogleTest executable under CTest.
# Every test gets a private machine root so nothing touches the user's home folder.
function(tessaly_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TESSALY_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  set(root ${CMAKE_BINARY_DIR}/test-machine/${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "TESSALY_MACHINE_ROOT=${root};HOME=${root}/home;XDG_DATA_HOME=${root}/xdg")
endfunction()

# tessaly_benchmark(name SOURCES ... LIBS ...): a Google Benchmark executable, not a test.
function(tessaly_benchmark name)
  if(NOT TESSALY_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TESSALY_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark Threads::Threads)
endfunction()

# tessaly_window_test(name EXECUTABLE [TIMEOUT s] [ARGS ...]): runs a test of real windows under
# Xvfb with openbox, on a display of its own (scripts/gui-test.sh), label gui; its screenshots go
# to build/screenshots/<name>. Plain builds only: the toolkit's own allocations make the
# sanitizers' reports noise there.
function(tessaly_window_test name executable)
  cmake_parse_arguments(ARG "" "TIMEOUT" "ARGS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 900)
  endif()
  # The script registers the control and the server, and copies the demo project.
  add_dependencies(${executable} tessaly regsvr kestrum demo_network)
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/gui-test.sh ${CMAKE_BINARY_DIR} ${name}
                   $<TARGET_FILE:${executable}> ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT ${ARG_TIMEOUT})
endfunction()
