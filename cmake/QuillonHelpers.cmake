# quillon_add_gtest(NAME SOURCES src... LIBS lib... [LABELS l...] [ENV VAR=value...])
# Builds one GoogleTest executable and registers its cases with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)
function(quillon_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    QUILLON_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUILLON_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures"
    QUILLON_BIN_DIR="${QUILLON_BIN_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "${ARG_ENV}")
endfunction()
