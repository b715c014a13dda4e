# GoogleTest from its sources, so that the host and MinGW builds each compile
# their own. Debian's googletest package puts them at the default; elsewhere
# set BRIM_GOOGLETEST_DIR.
set(BRIM_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest source folder")
if(NOT EXISTS ${BRIM_GOOGLETEST_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources at ${BRIM_GOOGLETEST_DIR}: run `make setup` "
                      "(Debian's googletest package) or set BRIM_GOOGLETEST_DIR.")
endif()
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${BRIM_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Third-party code: keep our warning flags off it.
foreach(t gtest gtest_main gmock gmock_main)
  if(TARGET ${t})
    target_compile_options(${t} PRIVATE -w)
  endif()
endforeach()
