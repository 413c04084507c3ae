# One static library per source folder: every .cpp of the folder (not of its
# sub-folders) belongs to it, so adding a file needs no edit here.
function(trivion_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS "${dir}/*.cpp")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
endfunction()

# One test binary per test folder, linking only what it names.
function(trivion_test name dir)
  file(GLOB sources CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT
    "TRIVION_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;XDG_STATE_HOME=${CMAKE_BINARY_DIR}/test-home/state;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-home/config;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-home/data")
endfunction()
