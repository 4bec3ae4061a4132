# quendarx_add_library(NAME DEPS...): one static library from every source of the
# calling folder. The folder name becomes the target quendarx_<folder>.
function(quendarx_add_library name)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT _sources)
    # A folder whose sources are still to come builds as an empty library.
    set(_empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${_empty} "")
    set(_sources ${_empty})
  endif()
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# quendarx_add_gtest(NAME SOURCES... LIBS ... [TEST_FILTER F]): a GoogleTest executable
# registered with CTest (but the tests the --gtest_filter F leaves out). Its main()
# (tests/support/TestMain.cpp) sets the environment the other tests get from
# QUENDARX_TEST_ENV.
function(quendarx_add_gtest name)
  cmake_parse_arguments(ARG "" "TEST_FILTER" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quendarx_testsupport ${ARG_LIBS} GTest::gtest)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST
    TEST_FILTER "${ARG_TEST_FILTER}")
endfunction()

set(QUENDARX_TEST_ENV
  "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;QUENDARX_LOG=/dev/null;ASAN_OPTIONS=detect_leaks=0:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  CACHE INTERNAL "")
