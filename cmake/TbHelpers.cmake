# Build helpers shared by every component.
#
#   tb_add_library(<name> DEF <file.def> [RC <file.rc>] SOURCES <src>...
#                  [SERVICES] [LIBS <lib>...] [INCLUDES <dir>...])
#     A Windows DLL named exactly <name>.dll (no "lib" prefix) in bin/.
#     Exports come from the .def file only (undecorated names, no dllexport).
#     SERVICES links the host services library tbsvc32 (its import library).
#
#   tb_add_test_exe(<name> SOURCES <src>... [LIBS <lib>...] [DEPENDS <target>...]
#                   [INCLUDES <dir>...] [TIMEOUT <seconds>] [OWN_MAIN]
#                   [NO_DISCOVER] [NO_GUARD_PASS])
#     A GoogleTest executable in bin/, run under Wine by CTest, one CTest test
#     per test case (discovered when CTest starts, never at build time).
#     DEPENDS names DLLs that the test loads at run time (LoadLibraryA).
#     OWN_MAIN links gtest instead of gtest_main.
#     An executable linking the test kit (tbkit) runs every test a second time
#     with the allocator's guard pages (TB_GUARD_PAGES=1), as "<test>.guard";
#     NO_GUARD_PASS leaves that out (for tests of 100,000-entry lists, where a
#     64 KiB reservation per block does not fit).
#     On i686 (run under emulation) each executable is one CTest test, once.
#
#   tb_add_exe(<name> SOURCES <src>... [RC <file.rc>] [LIBS <lib>...] [GUI])
#     A plain executable (demo host, benchmarks, tools) in bin/.

# Flags every target of ours carries.
add_library(tb_build_flags INTERFACE)
target_compile_options(tb_build_flags INTERFACE
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wshadow>)
target_include_directories(tb_build_flags INTERFACE ${CMAKE_SOURCE_DIR}/hostapi)
# Everything static: a host drops our DLL into its folder and needs nothing
# else (no libgcc_s, libstdc++ or libwinpthread DLLs).
target_link_options(tb_build_flags INTERFACE -static-libgcc -static-libstdc++ -static)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # .def files name stdcall functions undecorated; let ld match them.
  target_link_options(tb_build_flags INTERFACE -Wl,--enable-stdcall-fixup)
endif()
if(TB_TEST_BUILD)
  target_compile_options(tb_build_flags INTERFACE
    $<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong>)
  # _FORTIFY_SOURCE only acts with optimisation; the presets build -O2.
  target_compile_definitions(tb_build_flags INTERFACE
    $<$<COMPILE_LANGUAGE:C,CXX>:_FORTIFY_SOURCE=2>)
  # mingw-w64 10 keeps the stack-protector and fortify runtime in libssp.
  target_link_options(tb_build_flags INTERFACE -fstack-protector-strong)
  target_link_libraries(tb_build_flags INTERFACE ssp)
endif()

find_program(TB_DLLTOOL NAMES ${TB_TRIPLE}-dlltool dlltool REQUIRED)

function(tb_add_library name)
  cmake_parse_arguments(PARSE_ARGV 1 A "SERVICES" "DEF;RC" "SOURCES;LIBS;INCLUDES")
  if(NOT A_DEF)
    message(FATAL_ERROR "tb_add_library(${name}): DEF <file.def> is required")
  endif()
  get_filename_component(def ${A_DEF} ABSOLUTE)
  set(srcs ${A_SOURCES})
  if(A_RC)
    list(APPEND srcs ${A_RC})
  endif()
  add_library(${name} SHARED ${srcs})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    OUTPUT_NAME ${name}
    IMPORT_PREFIX "lib"
    LINK_DEPENDS ${def})
  # The .def on the link line: only the names it lists are exported, and ld
  # writes the import library (lib/lib<name>.dll.a) from it.
  target_link_options(${name} PRIVATE ${def})
  target_link_libraries(${name} PRIVATE tb_build_flags ${A_LIBS})
  if(A_INCLUDES)
    target_include_directories(${name} PRIVATE ${A_INCLUDES})
  endif()
  if(A_SERVICES)
    target_link_libraries(${name} PRIVATE tbsvc32)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # i686: callers link _name@N; give the import library decorated symbols.
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DDEF=${def} -DDLL=${name}.dll
              -DOUT=$<TARGET_LINKER_FILE:${name}> -DNM=${CMAKE_NM} -DDLLTOOL=${TB_DLLTOOL}
              -DWORK=${CMAKE_CURRENT_BINARY_DIR}/${name}.implib
              -P ${CMAKE_SOURCE_DIR}/cmake/TbImplib.cmake -- $<TARGET_OBJECTS:${name}>
      COMMAND_EXPAND_LISTS
      VERBATIM)
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}.implib)
  endif()
endfunction()

function(tb_add_exe name)
  cmake_parse_arguments(PARSE_ARGV 1 A "GUI" "RC" "SOURCES;LIBS;INCLUDES")
  set(srcs ${A_SOURCES})
  if(A_RC)
    list(APPEND srcs ${A_RC})
  endif()
  if(A_GUI)
    add_executable(${name} WIN32 ${srcs})
  else()
    add_executable(${name} ${srcs})
  endif()
  target_link_libraries(${name} PRIVATE tb_build_flags ${A_LIBS})
  if(A_INCLUDES)
    target_include_directories(${name} PRIVATE ${A_INCLUDES})
  endif()
endfunction()

include(GoogleTest)

# i686: the time one test executable may take, all its cases together.
set(TB_EMULATED_TIMEOUT 900 CACHE STRING "i686: seconds per test executable under emulation")

function(tb_add_test_exe name)
  cmake_parse_arguments(PARSE_ARGV 1 A "OWN_MAIN;NO_DISCOVER;NO_GUARD_PASS" "TIMEOUT" "SOURCES;LIBS;DEPENDS;INCLUDES")
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 60)
  endif()
  add_executable(${name} ${A_SOURCES})
  if(A_OWN_MAIN)
    set(gtest_lib gtest)
  else()
    set(gtest_lib gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE tb_build_flags ${gtest_lib} gmock ${A_LIBS})
  if(A_INCLUDES)
    target_include_directories(${name} PRIVATE ${A_INCLUDES})
  endif()
  if(A_DEPENDS)
    add_dependencies(${name} ${A_DEPENDS})
  endif()
  set(suffixes "")
  if("tbkit" IN_LIST A_LIBS AND NOT A_NO_GUARD_PASS)
    list(APPEND suffixes ".guard")
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # i686 runs under 32-bit Wine through user-mode emulation, where a process
    # takes tens of seconds to start: one CTest test per executable (all its
    # cases in one run), no guard-page pass. TB_EMULATED=1 also tells the
    # tests (and wine-run.sh) that they run emulated.
    # There a failed or skipped check reaches stdout only (see the file).
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/emulated_printer.cpp)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${TB_EMULATED_TIMEOUT} ENVIRONMENT TB_EMULATED=1)
  elseif(A_NO_DISCOVER)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
    if(suffixes)
      add_test(NAME ${name}.guard COMMAND ${name})
      set_tests_properties(${name}.guard PROPERTIES TIMEOUT ${A_TIMEOUT}
        ENVIRONMENT TB_GUARD_PAGES=1)
    endif()
  else()
    # PRE_TEST: the list is taken when CTest starts. The default POST_BUILD
    # mode would run Wine during the build (and delete the exe on a timeout).
    # The first run in a fresh build tree creates the Wine prefix (~11 s).
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      PROPERTIES TIMEOUT ${A_TIMEOUT})
    if(suffixes)
      gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        TEST_SUFFIX .guard
        PROPERTIES TIMEOUT ${A_TIMEOUT} ENVIRONMENT TB_GUARD_PAGES=1)
    endif()
  endif()
endfunction()
