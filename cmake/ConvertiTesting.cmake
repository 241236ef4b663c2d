# converti_add_gtest(NAME SOURCES src... LIBS lib... [LABELS l...])
# One GoogleTest executable, registered with CTest as one test. Window tests run
# on Qt's offscreen platform, so no display is needed.
function(converti_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    CONVERTI_FIXTURES="${CONVERTI_FIXTURES}"
    CONVERTI_PYTHON="${CONVERTI_PYTHON}"
    CONVERTI_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    CONVERTI_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${T_LABELS}")
endfunction()
