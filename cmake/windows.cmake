# The Windows build (included from CMakeLists.txt when WIN32): QLCosCtrl.dll with its import
# library, the runtime DLLs beside it, the colour-mouse stand-in as CSCMTLib.dll, and the test
# suites that run without a simulator in their own process.

# Everything that runs goes into one folder, so that the loader finds each DLL beside the
# program that needs it.
set(QLCOS_WINDOWS_BIN ${CMAKE_BINARY_DIR}/bin)
set_target_properties(QLCosCtrl PROPERTIES
  PREFIX ""                       # QLCosCtrl.dll (MinGW would write libQLCosCtrl.dll)
  RUNTIME_OUTPUT_DIRECTORY ${QLCOS_WINDOWS_BIN})

# The DLLs the library and the tests need at run time, copied beside the programs and
# installed beside QLCosCtrl.dll: Xerces-C's, and with MinGW-w64 the GCC runtime.
set(QLCOS_RUNTIME_DLLS)
get_filename_component(xerces_lib_dir "${XercesC_LIBRARY}" DIRECTORY)
file(GLOB xerces_dll "${xerces_lib_dir}/../bin/*xerces-c*.dll")
if(xerces_dll)
  list(APPEND QLCOS_RUNTIME_DLLS ${xerces_dll})
else()
  message(WARNING "Xerces-C's DLL was not found beside ${XercesC_LIBRARY}: put it on PATH to run")
endif()
if(MINGW)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
      message(FATAL_ERROR "the compiler's runtime ${dll} was not found")
    endif()
    list(APPEND QLCOS_RUNTIME_DLLS ${found})
  endforeach()
endif()
if(QLCOS_RUNTIME_DLLS)
  file(COPY ${QLCOS_RUNTIME_DLLS} DESTINATION ${QLCOS_WINDOWS_BIN})
  install(FILES ${QLCOS_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(NOT QLCOS_TESTS)
  return()
endif()

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

# The colour-mouse stand-in as the DLL its maker ships. Its FIFO (a second process pressing
# the button) is POSIX only; on Windows the control functions press it.
file(GLOB QLCOS_COLORMOUSE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/sim/colormouse/*.cpp)
list(FILTER QLCOS_COLORMOUSE_SOURCES EXCLUDE REGEX "/fifo_reader\\.cpp$")
add_library(qlcos_colormouse_stand_in SHARED ${QLCOS_COLORMOUSE_SOURCES}
            ${CMAKE_SOURCE_DIR}/sim/colormouse/windows/fifo_reader_none.cpp)
target_include_directories(qlcos_colormouse_stand_in PRIVATE ${CMAKE_SOURCE_DIR}
                           ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(qlcos_colormouse_stand_in PRIVATE Threads::Threads)
set_target_properties(qlcos_colormouse_stand_in PROPERTIES
  OUTPUT_NAME CSCMTLib PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${QLCOS_WINDOWS_BIN})

# A test source that needs a facility Windows lacks is left out, and listed with the reason:
# simulators and peers on pseudo-terminals in the test's own process, POSIX system headers.
set(QLCOS_POSIX_ONLY_INCLUDES
  "support/pty_peer\\.h" "support/driver_fixture\\.h" "xrite_fixture\\.h"
  "line_test_device\\.h" "\"sim/" "<unistd\\.h>" "<fcntl\\.h>" "<poll\\.h>" "<sys/" "<dlfcn\\.h>")
set(QLCOS_LEFT_OUT_TEXT "")

# One test executable per folder below tests/, as on Linux: the portable sources of the folder
# and its win32/ subfolder (tests of the Windows side itself).
# The qlcos tool is a Linux program (its suite runs it as a process on pseudo-terminals).
file(GLOB QLCOS_TEST_DIRS LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/*)
list(FILTER QLCOS_TEST_DIRS EXCLUDE REGEX "/(support|qlcos_tool)$")
foreach(test_dir ${QLCOS_TEST_DIRS})
  if(NOT IS_DIRECTORY ${test_dir})
    continue()
  endif()
  get_filename_component(suite ${test_dir} NAME)
  file(GLOB candidates CONFIGURE_DEPENDS ${test_dir}/*.cpp)
  set(suite_sources)
  foreach(source ${candidates})
    # Includes inside "#if !defined(_WIN32)" do not count.
    file(STRINGS ${source} directives REGEX "^#")
    set(reason "")
    set(depth 0)
    set(posix_depth 0)
    foreach(line ${directives})
      if(line MATCHES "^#if")
        math(EXPR depth "${depth} + 1")
        if(posix_depth EQUAL 0 AND line MATCHES "^#if !defined\\(_WIN32\\)")
          set(posix_depth ${depth})
        endif()
      elseif(line MATCHES "^#endif")
        if(depth EQUAL posix_depth)
          set(posix_depth 0)
        endif()
        math(EXPR depth "${depth} - 1")
      elseif(NOT reason AND posix_depth EQUAL 0 AND line MATCHES "^#include ")
        foreach(pattern ${QLCOS_POSIX_ONLY_INCLUDES})
          if(line MATCHES "${pattern}")
            set(reason "${line}")
          endif()
        endforeach()
      endif()
    endforeach()
    if(reason)
      file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${source})
      string(APPEND QLCOS_LEFT_OUT_TEXT "${shown}: ${reason}\n")
    else()
      list(APPEND suite_sources ${source})
    endif()
  endforeach()
  file(GLOB windows_sources CONFIGURE_DEPENDS ${test_dir}/win32/*.cpp)
  list(APPEND suite_sources ${windows_sources})
  if(NOT suite_sources)
    continue()
  endif()
  add_executable(test_${suite} ${suite_sources})
  target_include_directories(test_${suite} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests
                             ${CMAKE_SOURCE_DIR})
  target_compile_definitions(test_${suite} PRIVATE QLCOS_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             QLCOS_STATIC)
  target_link_libraries(test_${suite} PRIVATE qlcos_static GTest::gtest GTest::gtest_main)
  add_dependencies(test_${suite} qlcos_colormouse_stand_in)
  set_target_properties(test_${suite} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QLCOS_WINDOWS_BIN})
  # Discovered when the tests run (through Wine), not at build time.
  gtest_discover_tests(test_${suite} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 120 LABELS ${suite})
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/tests-left-out.txt
     "Test sources left out of the Windows build, with the include that needs POSIX:\n"
     "${QLCOS_LEFT_OUT_TEXT}")

# The DLL exports its interface and nothing else.
add_test(NAME exports COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-exports.sh
         $<TARGET_FILE:QLCosCtrl> ${CMAKE_SOURCE_DIR}/include ${QLCOS_GENERATED_INCLUDE})
set_tests_properties(exports PROPERTIES LABELS exports)
