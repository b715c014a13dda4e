# The program file's identity (version record, icon, manifest) and what it
# takes to load on XP. brim_add_program_file(target) adds both to an exe.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(BRIM_PYTHON ${Python3_EXECUTABLE} CACHE INTERNAL "")

function(brim_add_program_file target)
  set(app ${PROJECT_SOURCE_DIR}/src/app)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_icon)
  set(icons ${dir}/icon_30001.bin ${dir}/icon_30002.bin ${dir}/icon_30003.bin ${dir}/icon_group_1.bin)
  add_custom_command(OUTPUT ${icons}
    COMMAND ${BRIM_PYTHON} ${PROJECT_SOURCE_DIR}/tools/make_icon.py --out ${dir}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_icon.py
    COMMENT "Drawing the program icon" VERBATIM)
  # The manifest names the build's own architecture, for the program and for
  # the common controls it asks for.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(BRIM_MANIFEST_ARCH x86)
  else()
    set(BRIM_MANIFEST_ARCH amd64)
  endif()
  configure_file(${app}/brimsweep.manifest.in ${dir}/brimsweep.manifest @ONLY)
  set_source_files_properties(${app}/brimsweep.rc PROPERTIES OBJECT_DEPENDS "${icons};${dir}/brimsweep.manifest")
  target_sources(${target} PRIVATE ${app}/brimsweep.rc ${icons})
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${dir}>)
  brim_add_xp_imports(${target})
endfunction()

# What an exe of this project needs to load on XP, beyond its imports.
function(brim_add_xp_imports target)
  set(app ${PROJECT_SOURCE_DIR}/src/app)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The C++ runtime's thread library imports GetTickCount64, which XP's kernel32
    # lacks: point its import slot at our own pointer (xp_imports.cpp). The 64-bit
    # build is for Windows 7 and later, which have it.
    target_sources(${target} PRIVATE ${app}/xp_imports.cpp)
    target_link_options(${target} PRIVATE "LINKER:--defsym,\"__imp__GetTickCount64@0\"=_brim_GetTickCount64")
  endif()
endfunction()

# The shipped exes leave out GCC's verbose terminate handler, which brings the
# demangler and the printf family (runtime_trims.cpp).
function(brim_trim_runtime target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/app/runtime_trims.cpp)
  endif()
endfunction()
