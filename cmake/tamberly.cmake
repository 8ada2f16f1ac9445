# Build helpers shared by every module.
#
# Sources include each other by their path from the repository root
# ("common/address.h"); generated headers sit at the same relative path in
# the build tree ("common/tbserv.h").

include_directories(${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})

if(WIN32)
  set(TB_WINDOWS ON)
else()
  set(TB_WINDOWS OFF)
endif()

add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(TB_WINDOWS)
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX)
  # Link the runtime in, so the programs and DLLs need no mingw DLLs at run time.
  set(TB_STATIC_LINK -static -static-libgcc -static-libstdc++)
  add_link_options(${TB_STATIC_LINK})
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # Only the 64-bit stdole2.tlb ships; widl merely reads it for the import.
    set(TB_WIDL_FLAGS --win32 -L/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  else()
    set(TB_WIDL_FLAGS --win64 -L/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  endif()
  # The wrapper that runs a Windows program of this tree under Wine, in the
  # tree's own prefix (ctest and add_custom_command use it).
  set(TB_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of this build tree")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # 32-bit-only Windows, where everything installed is 32-bit.
    set(TB_WINEPREFIX_WIN32ONLY ${CMAKE_BINARY_DIR}/wineprefix-win32 CACHE PATH
        "Wine prefix of 32-bit-only Windows")
  endif()
  # The product of both bitnesses as the installer takes it, and the two
  # Windows trees (make sets all three; the defaults are make's layout).
  get_filename_component(tb_build_root ${CMAKE_BINARY_DIR} DIRECTORY)
  set(TB_PRODUCT_STAGE ${tb_build_root}/product CACHE PATH "Staged product (tools/dev/stage-product.sh)")
  set(TB_SETUP_PROGRAM ${tb_build_root}/package/TamberlySetup.exe CACHE FILEPATH
      "The setup program built from the stage (make package)")
  set(TB_WIN64_TREE ${tb_build_root}/win64 CACHE PATH "The 64-bit Windows build tree")
  set(TB_WIN32_TREE ${tb_build_root}/win32 CACHE PATH "The 32-bit Windows build tree")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
  # Debug information in the version Wine's debugger reads, so that a crash
  # log or a hang report names our functions and lines.
  add_compile_options($<$<CONFIG:Debug,RelWithDebInfo>:-gdwarf-4>)
endif()

# 32 or 64: the bitness of what this tree builds.
math(EXPR tb_bits "${CMAKE_SIZEOF_VOID_P} * 8")

if(TB_SANITIZE AND NOT TB_WINDOWS)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TB_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# tb_core_library(<name> <sources>...)
# A portable core library: no <windows.h>, built in every tree.
function(tb_core_library name)
  add_library(${name} STATIC ${ARGN})
endfunction()

# tb_test(<name> SOURCES <files>... [LIBS <libs>...] [WINDOWS_ONLY]
#         [WORKING_DIRECTORY <dir>] [TIMEOUT <seconds>] [ENVIRONMENT <k=v>...])
# One GoogleTest program and one ctest entry. Core tests are built in the
# native tree and again for Windows (where they run under Wine).
function(tb_test name)
  cmake_parse_arguments(T "WINDOWS_ONLY;NO_MAIN" "WORKING_DIRECTORY;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT TB_BUILD_TESTS OR TB_FUZZ)
    return()
  endif()
  if(T_WINDOWS_ONLY AND NOT TB_WINDOWS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  if(T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} gmock gtest)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} gmock gtest_main)
  endif()
  if(NOT T_WORKING_DIRECTORY)
    set(T_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no WORKING_DIRECTORY ${T_WORKING_DIRECTORY})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()

# tb_idl(<target> <file.idl>)
# Runs widl: <base>.h, <base>_i.c and <base>.tlb in the current binary dir.
# <target> is a static library holding the interface identities; link it to
# get the header on the include path. TB_IDL_TLB_<target> names the .tlb.
function(tb_idl target idl)
  if(NOT TB_WINDOWS)
    return()
  endif()
  get_filename_component(base ${idl} NAME_WE)
  set(src ${CMAKE_CURRENT_SOURCE_DIR}/${idl})
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  add_custom_command(
    OUTPUT ${out}/${base}.h ${out}/${base}_i.c ${out}/${base}.tlb
    COMMAND ${TB_WIDL} ${TB_WIDL_FLAGS} -I/usr/include/wine/wine/windows -I${CMAKE_CURRENT_SOURCE_DIR}
            -h -H ${out}/${base}.h -t -T ${out}/${base}.tlb -u -U ${out}/${base}_i.c ${src}
    DEPENDS ${src}
    COMMENT "widl ${idl}"
    VERBATIM)
  add_library(${target} STATIC ${out}/${base}_i.c ${out}/${base}.h)
  target_include_directories(${target} PUBLIC ${out})
  add_custom_target(${target}_tlb DEPENDS ${out}/${base}.tlb)
  add_dependencies(${target} ${target}_tlb)
  set(TB_IDL_TLB_${target} ${out}/${base}.tlb PARENT_SCOPE)
  set_property(GLOBAL PROPERTY TB_IDL_TLB_${target} ${out}/${base}.tlb)
endfunction()

# tb_rc_depends(<file.rc> <files>...)
# Resource scripts embed generated files (type libraries); rebuild on change.
function(tb_rc_depends rc)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${ARGN}")
endfunction()

# tb_fuzz(<name> SOURCES <files>... [LIBS <libs>...])
# A libFuzzer target, built only in the fuzz tree.
function(tb_fuzz name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TB_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY TB_FUZZ_TARGETS ${name})
endfunction()

# tb_host_tool(<var> <target>)
# The path of a program of the native tree that this tree runs at build time
# (the list compiler, the bar page scrambler). In the native tree it is the
# target itself; a cross tree takes it from TB_HOST_TOOLS.
function(tb_host_tool var target relpath)
  if(TB_WINDOWS OR TB_FUZZ)
    if(NOT TB_HOST_TOOLS)
      message(FATAL_ERROR "TB_HOST_TOOLS must name the native build tree (make does this)")
    endif()
    set(${var} ${TB_HOST_TOOLS}/${relpath} PARENT_SCOPE)
  else()
    set(${var} $<TARGET_FILE:${target}> PARENT_SCOPE)
  endif()
endfunction()

# Where the build puts the sample data (tools/sample_data), for the tests
# and the demo.
set(TB_SAMPLE_DATA_DIR ${CMAKE_BINARY_DIR}/sample_data)

# tb_prefix_fixture(<name> [BASE <prefix>])
# A ctest fixture <name> that gives tests a fresh copy of the tree's Wine
# prefix, or of BASE, (with its own wineserver) at TB_PREFIX_<name>,
# removed afterwards. Tests take it with FIXTURES_REQUIRED <name> and
# ENVIRONMENT TB_WINEPREFIX=${TB_PREFIX_<name>}.
function(tb_prefix_fixture name)
  cmake_parse_arguments(P "" "BASE" "" ${ARGN})
  if(NOT TB_WINDOWS OR NOT TB_BUILD_TESTS)
    return()
  endif()
  if(NOT P_BASE)
    set(P_BASE ${TB_WINEPREFIX})
  endif()
  set(clone ${CMAKE_BINARY_DIR}/prefixes/${name})
  set(script ${PROJECT_SOURCE_DIR}/tools/dev/wine-prefix.sh)
  add_test(NAME ${name}_setup COMMAND sh -c "mkdir -p '${CMAKE_BINARY_DIR}/prefixes' && '${script}' clone '${P_BASE}' '${clone}' && '${script}' start '${clone}'")
  # A program that crashed in the prefix fails the cleanup, with its backtrace.
  add_test(NAME ${name}_cleanup COMMAND sh -c "'${script}' crashes '${clone}'; rc=$?; '${script}' stop '${clone}'; rm -rf '${clone}'; exit $rc")
  set_tests_properties(${name}_setup PROPERTIES FIXTURES_SETUP ${name})
  set_tests_properties(${name}_cleanup PROPERTIES FIXTURES_CLEANUP ${name})
  set(TB_PREFIX_${name} ${clone} PARENT_SCOPE)
endfunction()
