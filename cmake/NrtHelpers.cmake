# Test code is compiled at -O1 in the release configuration: the code under test keeps
# its own optimisation, and the tests' long bodies need not pay for -O3.
function(nrt_test_code target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-O1>)
endfunction()

# nrt_add_test(NAME SOURCES a.cpp b.cpp [LIBS x y] [QT])
# One GoogleTest executable per test folder; every TEST becomes a ctest entry.
# QT tests run offscreen with a QApplication made by tests/support/GuiTestMain.cpp,
# compiled once for all of them (nrt_gui_testmain, tests/gui). Every test links
# tests/support, which pins the time zone (Asia/Tokyo) and locale.
function(nrt_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  nrt_test_code(${name})
  if(T_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE nrt_core nrt_testsupport nrt_gui_testmain GTest::gtest ${T_LIBS})
  else()
    target_link_libraries(${name} PRIVATE nrt_core nrt_testsupport GTest::gtest GTest::gtest_main ${T_LIBS})
  endif()
  # The zone, the locale and the Qt platform are pinned by the test support code itself;
  # the leak check passes over what the printing system's library keeps for good.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
endfunction()
