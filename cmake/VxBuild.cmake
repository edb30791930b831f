# Build conventions shared by every folder.
#
# Two builds come from this tree: the Windows build (mingw-w64, everything)
# and the native build (g++ on the build machine, only the code that includes
# no <windows.h>, with AddressSanitizer and UndefinedBehaviorSanitizer).

set(VX_ROOT ${CMAKE_SOURCE_DIR})

if(WIN32)
  enable_language(RC)
  add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
                          _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type
                      -Wno-missing-field-initializers)
  # What ships carries no symbols: half the size to install and to load.
  add_link_options($<$<CONFIG:Release>:-s>)
  # The runnable program folder, laid out as an installation would be.
  set(VX_PROGRAM_DIR ${CMAKE_BINARY_DIR}/program)
  set(VX_TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests/bin)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${VX_PROGRAM_DIR})
else()
  option(VX_SANITIZE "Build the native code with ASan and UBSan" ON)
  option(VX_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
  if(VX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
  if(VX_FUZZ)
    # Coverage feedback from the code under test, not just the fuzz targets.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
  set(VX_TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests/bin)
endif()

# A program or library that ships: its file properties carry the release
# number, and every link of it is signed (tools/sign.sh).
#   vx_release_binary(<target> "<file description>")
if(WIN32)
  option(VX_SIGN "Sign the programs, libraries and packages the build makes" ON)
  if(VX_SIGN)
    find_program(VX_OSSLSIGNCODE osslsigncode)
    if(NOT VX_OSSLSIGNCODE)
      message(FATAL_ERROR "osslsigncode not found: run tools/setup.sh, or configure with -DVX_SIGN=OFF")
    endif()
  endif()
endif()

function(vx_release_binary target description)
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(VX_INTERNAL_NAME ${name})
  set(VX_FILE_DESCRIPTION ${description})
  if(type STREQUAL "EXECUTABLE")
    set(VX_FILE_TYPE VFT_APP)
    set(VX_FILE_NAME ${name}.exe)
  else()
    set(VX_FILE_TYPE VFT_DLL)
    set(VX_FILE_NAME ${name}.dll)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${VX_ROOT}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(VX_SIGN)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND bash ${VX_ROOT}/tools/sign.sh $<TARGET_FILE:${target}> VERBATIM)
  endif()
endfunction()

function(_vx_static_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${VX_ROOT})
  if(A_LIBS)
    target_link_libraries(${name} PUBLIC ${A_LIBS})
  endif()
endfunction()

# A static library of code that includes no <windows.h>; built in both builds.
function(vx_pure_library name)
  _vx_static_library(${name} ${ARGN})
endfunction()

# A static library of Win32 code; Windows build only.
function(vx_win_library name)
  if(WIN32)
    _vx_static_library(${name} ${ARGN})
  endif()
endfunction()

# A GoogleTest executable registered with ctest as one test. Its main
# (tests/support/TestMain.cpp) fails a run that executed no test and ends a
# run with a skipped test with code 77, which ctest reports as skipped.
#   PURE: also built and run natively (the sources include no <windows.h>).
#   GUI:  creates windows; labelled so, and needs the Xvfb display.
#   DIR:  output folder below tests/bin (for tests that need files beside them).
#   FRESH_PREFIX: runs in a Wine prefix of its own, made for the run.
function(vx_test name)
  cmake_parse_arguments(A "PURE;GUI;FRESH_PREFIX" "TIMEOUT;DIR;LOCK" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32 AND NOT A_PURE)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${VX_ROOT})
  target_link_libraries(${name} PRIVATE ${A_LIBS} vx_test_main GTest::gmock)
  set(outDir ${VX_TEST_BIN_DIR})
  if(A_DIR)
    set(outDir ${VX_TEST_BIN_DIR}/${A_DIR})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${outDir})
  if(A_FRESH_PREFIX)
    add_test(NAME ${name} COMMAND bash ${VX_ROOT}/tools/fresh-prefix.sh $<TARGET_FILE:${name}> --gtest_brief=1
             WORKING_DIRECTORY ${outDir})
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${outDir})
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set(labels unit)
  if(A_GUI)
    set(labels gui)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT} LABELS "${labels}" SKIP_RETURN_CODE 77
                       ENVIRONMENT "VX_BUILD_DIR=${CMAKE_BINARY_DIR}")
  # Tests that take the same system-wide resource run one at a time: window
  # tests share one desktop and its foreground window; some share a named mutex;
  # vx_machine_state is taken by every test that changes or reads the
  # spooler, HKLM or system32. A test in a prefix of its own has a display
  # of its own too (tools/fresh-prefix.sh).
  set(locks ${A_LOCK})
  if(A_GUI AND NOT A_FRESH_PREFIX)
    list(APPEND locks vx_desktop)
  endif()
  if(locks)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
endfunction()
