# nrt_add_test(NAME SOURCES a.cpp b.cpp [LIBS x y] [QT])
# One GoogleTest executable per test folder; every TEST becomes a ctest entry.
# QT tests run offscreen with a QApplication made by tests/support/GuiTestMain.cpp.
# Every test links tests/support, which pins the time zone (Asia/Tokyo) and locale.
function(nrt_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  if(T_QT)
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/GuiTestMain.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE nrt_core nrt_testsupport GTest::gtest ${T_LIBS})
  else()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE nrt_core nrt_testsupport GTest::gtest GTest::gtest_main ${T_LIBS})
  endif()
  # The zone, the locale and the Qt platform are pinned by the test support code itself;
  # the leak check passes over what the printing system's library keeps for good.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
endfunction()
