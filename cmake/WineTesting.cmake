# Every test executable runs under Wine in a prefix private to this build tree. CTest fixtures
# keep one wineserver alive for the whole run and start Xvfb only when a test needs a display.
set(DRAVIX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(DRAVIX_TESTENV "${CMAKE_SOURCE_DIR}/tools/testenv")
# The Wine scripts read the prefix's architecture from here (64-bit builds need a win64 prefix).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  file(WRITE "${DRAVIX_WINEPREFIX}.arch" "win64\n")
else()
  file(WRITE "${DRAVIX_WINEPREFIX}.arch" "win32\n")
endif()

add_test(NAME wine_session_start COMMAND ${DRAVIX_TESTENV}/wine-session.sh start ${DRAVIX_WINEPREFIX})
add_test(NAME wine_session_stop COMMAND ${DRAVIX_TESTENV}/wine-session.sh stop ${DRAVIX_WINEPREFIX})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

add_test(NAME xvfb_start COMMAND ${DRAVIX_TESTENV}/xvfb.sh start ${DRAVIX_WINEPREFIX})
add_test(NAME xvfb_stop COMMAND ${DRAVIX_TESTENV}/xvfb.sh stop ${DRAVIX_WINEPREFIX})
# Wine's desktop process binds to the display it starts with: when a run needs a display,
# Xvfb comes up before the Wine session and goes after it.
set_tests_properties(xvfb_start PROPERTIES FIXTURES_SETUP display)
set_tests_properties(xvfb_stop PROPERTIES FIXTURES_CLEANUP display DEPENDS wine_session_stop)
set_tests_properties(wine_session_start PROPERTIES DEPENDS xvfb_start)

# GoogleTest, built from Debian's sources with the target compiler.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# dravix_add_wine_test(name SOURCES ... [LIBRARIES ...] [DISPLAY] [REGISTRY] [LABELS ...])
# DISPLAY: the test opens windows; such tests never run at the same time, since one may take
# the keyboard focus from another's typed input (display_focus). REGISTRY: the test writes the
# product's registry key, so such tests never run at the same time.
function(dravix_add_wine_test name)
  cmake_parse_arguments(T "DISPLAY;REGISTRY" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE dravix_test_support dravix_core GTest::gtest_main GTest::gmock ${T_LIBRARIES})
  dravix_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set(fixtures wine)
  if(T_DISPLAY)
    list(APPEND fixtures display)
  endif()
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${fixtures}" TIMEOUT 600
                       LABELS "${T_LABELS}")
  if(T_REGISTRY)
    set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK product_registry)
  endif()
  if(T_DISPLAY)
    set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK display_focus)
  endif()
endfunction()
