# Test helpers. On Windows builds every test exe runs under Wine, in one
# throwaway prefix per test run, with a private X server (see wine-fixture.sh).
include_guard(GLOBAL)

# Tests of the 32-bit build that run something under Wine go through
# needs-win32.sh (or brim-wine), which skips them with exit 77 on machines that
# can't run 32-bit programs. Static checks of the files themselves always run.
set(BRIM_SKIP_CODE 77)
set(BRIM_WINE_GATE "")
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(BRIM_WINE_GATE ${PROJECT_SOURCE_DIR}/cmake/needs-win32.sh)
endif()

if(WIN32)
  set(BRIM_WINE_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" "BRIM_WINE=${PROJECT_SOURCE_DIR}/cmake/brim-wine")
  add_test(NAME wine_setup COMMAND ${BRIM_WINE_GATE} ${PROJECT_SOURCE_DIR}/cmake/wine-fixture.sh setup ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 120 SKIP_RETURN_CODE ${BRIM_SKIP_CODE})
  add_test(NAME wine_teardown COMMAND ${BRIM_WINE_GATE} ${PROJECT_SOURCE_DIR}/cmake/wine-fixture.sh teardown ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_teardown PROPERTIES FIXTURES_CLEANUP wine SKIP_RETURN_CODE ${BRIM_SKIP_CODE})
endif()

# Wine's heap poisoning: a callback that touches freed memory faults, and Wine
# logs the fault it swallows as an "err:" line.
set(BRIM_HEAP_WINEDEBUG "-all,warn+heap,err+seh")

# Every newer function or query that the program reaches with a fallback for
# older systems. The tests labelled `fallbacks` rerun with all of them forced
# absent (tests/support/forced_absence.cpp, linked only into test programs),
# and each names the ones whose fallbacks it must see taken.
set(BRIM_FALLBACK_NAMES "WaitOnAddress,WakeByAddressSingle,GetTickCount64,Wow64DisableWow64FsRedirection,\
Wow64RevertWow64FsRedirection,SetProcessDPIAware,GetDpiForWindow,MonitorFromWindow,GetMonitorInfoW,CoInitializeEx,\
FileIdBothDirectoryInformation")
# What the removal and the window each look up.
set(BRIM_FALLBACKS_REMOVAL WaitOnAddress WakeByAddressSingle Wow64DisableWow64FsRedirection
  Wow64RevertWow64FsRedirection FileIdBothDirectoryInformation)
set(BRIM_FALLBACKS_WINDOW SetProcessDPIAware GetDpiForWindow MonitorFromWindow GetMonitorInfoW)
set(BRIM_FORCED_ABSENCE ${PROJECT_SOURCE_DIR}/tests/support/forced_absence.cpp)

# brim_add_test(NAME name SOURCES ... [LIBS ...] [DRIVE letter] [DISPLAY] [HEAP_CHECK] [TIMEOUT s]
#               [FALLBACKS name ...])
# A GoogleTest program: native on the host, under Wine on Windows builds.
# DRIVE maps a fresh folder as that drive letter (Windows builds only);
# DISPLAY gives the program the run's X server; HEAP_CHECK runs it under
# Wine's heap poisoning and fails it on any "err:" line that Wine logs.
# FALLBACKS adds NAME_fallbacks, the same run with every fallback forced,
# which must see the named ones taken (Windows builds only).
function(brim_add_test)
  cmake_parse_arguments(T "DISPLAY;HEAP_CHECK" "NAME;DRIVE;TIMEOUT" "SOURCES;LIBS;FALLBACKS" ${ARGN})
  if(WIN32)
    list(APPEND T_SOURCES ${BRIM_FORCED_ABSENCE})
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(WIN32)
    add_test(NAME ${T_NAME} COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh $<TARGET_FILE:${T_NAME}>)
    set(env ${BRIM_WINE_ENV})
    if(T_DRIVE)
      list(APPEND env "BRIM_TEST_DRIVE=${T_DRIVE}")
    endif()
    if(T_DISPLAY)
      list(APPEND env "BRIM_NEEDS_DISPLAY=1")
    endif()
    if(T_HEAP_CHECK)
      list(APPEND env "BRIM_WINEDEBUG=${BRIM_HEAP_WINEDEBUG}" "BRIM_WINE_ERRORS_FAIL=1")
    endif()
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" FIXTURES_REQUIRED wine
      SKIP_RETURN_CODE ${BRIM_SKIP_CODE})
    if(T_FALLBACKS)
      list(JOIN T_FALLBACKS "," expected)
      add_test(NAME ${T_NAME}_fallbacks COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/support/fallbacks_run.py
        "${BRIM_FALLBACK_NAMES}" "${expected}" -- ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh $<TARGET_FILE:${T_NAME}>)
      set_tests_properties(${T_NAME}_fallbacks PROPERTIES ENVIRONMENT "${env}" FIXTURES_REQUIRED wine
        SKIP_RETURN_CODE ${BRIM_SKIP_CODE} LABELS fallbacks TIMEOUT ${T_TIMEOUT})
    endif()
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# brim_add_script_test(NAME name COMMAND ... [DISPLAY] [TIMEOUT s] [FALLBACKS name ... [FALLBACK_COMMAND ...]])
# A test driven from the Linux side (a script that runs programs under Wine).
# It gets WINEPREFIX, BRIM_WINE (the loader wrapper, cmake/brim-wine), BRIM_BUILD_DIR and, with DISPLAY, BRIM_NEEDS_DISPLAY.
# FALLBACKS adds NAME_fallbacks, the same run (or FALLBACK_COMMAND: one that
# starts test builds of the exes) with every fallback forced, which must see
# the named ones taken.
function(brim_add_script_test)
  cmake_parse_arguments(T "DISPLAY" "NAME;TIMEOUT" "COMMAND;FALLBACKS;FALLBACK_COMMAND" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${BRIM_WINE_GATE} ${T_COMMAND})
  set(env ${BRIM_WINE_ENV} "BRIM_BUILD_DIR=${CMAKE_BINARY_DIR}" "BRIM_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(T_DISPLAY)
    list(APPEND env "BRIM_NEEDS_DISPLAY=1")
  endif()
  # Runs of one script share its drive letters and work folders: never two at once.
  set(lock "")
  foreach(arg IN LISTS T_COMMAND)
    if(arg MATCHES "\\.(py|sh)$")
      get_filename_component(lock ${arg} NAME_WE)
      break()
    endif()
  endforeach()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" FIXTURES_REQUIRED wine TIMEOUT ${T_TIMEOUT}
    SKIP_RETURN_CODE ${BRIM_SKIP_CODE} RESOURCE_LOCK "${lock}")
  if(T_FALLBACKS)
    if(NOT T_FALLBACK_COMMAND)
      set(T_FALLBACK_COMMAND ${T_COMMAND})
    endif()
    list(JOIN T_FALLBACKS "," expected)
    add_test(NAME ${T_NAME}_fallbacks COMMAND ${BRIM_WINE_GATE} python3
      ${PROJECT_SOURCE_DIR}/tests/support/fallbacks_run.py "${BRIM_FALLBACK_NAMES}" "${expected}" -- ${T_FALLBACK_COMMAND})
    set_tests_properties(${T_NAME}_fallbacks PROPERTIES ENVIRONMENT "${env}" FIXTURES_REQUIRED wine
      TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE ${BRIM_SKIP_CODE} LABELS fallbacks RESOURCE_LOCK "${lock}")
  endif()
endfunction()
