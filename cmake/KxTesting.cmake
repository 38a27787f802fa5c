include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld KX_HAVE_LLD)

# kx_light_build(<target>)
#
# Test code compiles lighter than the libraries it tests: without
# optimisation and with line tables only, which halves its compile time. The
# libraries, the benchmarks and the programs the benchmarks drive keep the
# release flags whose code the benchmarks measure. Links go through lld when
# it is there.
function(kx_light_build target)
  target_compile_options(${target} PRIVATE "$<$<CONFIG:RelWithDebInfo>:-O0;-g1>"
    "$<$<CONFIG:Release>:-O0>")
  get_target_property(type ${target} TYPE)
  if(KX_HAVE_LLD AND type STREQUAL "EXECUTABLE")
    target_link_options(${target} PRIVATE -fuse-ld=lld)
  endif()
endfunction()

# The exit code of a test program in which some test skipped itself and none
# failed (tests/support/TestMain.cpp): CTest reports it as skipped.
set(KX_TEST_SKIPPED_EXIT_CODE 77)

# kx_add_test(<name> SOURCES <files...> LIBS <targets...> [ENV <VAR=value...>])
#
# One GoogleTest binary per module or area, registered with CTest. Every test
# runs with its own registry, installation root and temporary folder inside the
# build tree, UTC and a fixed locale, and with D-Bus addresses that lead
# nowhere (a test that needs a bus starts its own), so that no test touches
# the machine's real configuration or services and parallel tests do not see
# each other's files.
function(kx_add_test name)
  if(NOT KX_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kx_test_support ${ARG_LIBS})
  kx_light_build(${name})
  kx_add_test_run(${name} ${name} ENV ${ARG_ENV})
endfunction()

# kx_add_test_run(<name> <binary> [ENV <VAR=value...>])
#
# Registers a run of the test binary <binary> as the test <name>, in the
# environment of kx_add_test (its own folders under <name>) plus ENV. A
# binary whose tests need separate processes (one Qt application each, say)
# is registered once per group, with GTEST_FILTER in ENV.
function(kx_add_test_run name binary)
  if(NOT KX_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "ENV" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/testenv/${name})
  file(MAKE_DIRECTORY ${root}/registry ${root}/vanto ${root}/tmp)
  add_test(NAME ${name} COMMAND ${binary})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "VANTO_REGISTRY_DIR=${root}/registry;VANTOSYS=${root}/vanto;TMPDIR=${root}/tmp;TZ=UTC;LC_ALL=C.UTF-8;LANG=C.UTF-8;DBUS_SYSTEM_BUS_ADDRESS=unix:path=${root}/no-system-bus;DBUS_SESSION_BUS_ADDRESS=unix:path=${root}/no-session-bus;KX_SOURCE_DIR=${CMAKE_SOURCE_DIR};KX_BINARY_DIR=${CMAKE_BINARY_DIR};${ARG_ENV}"
    TIMEOUT 600
    SKIP_RETURN_CODE ${KX_TEST_SKIPPED_EXIT_CODE})
endfunction()

# kx_folder_library(<target> DIRS <folder...> [LIBS <targets...>] [TESTLIBS <targets...>]
#                   [EXCLUDE <folders or files...>] [TESTENV <VAR=value...>])
#
# One static library per subsystem folder: every .cpp below the folders except
# *_test.cpp, what lies below an EXCLUDE folder (a library of its own) and an
# EXCLUDE file.
# Every *_test.cpp becomes its own test binary, named after the file, linked
# against the library, run with TESTENV added to its environment. Folders
# without sources yet give an INTERFACE library so that dependants can link
# them already.
function(kx_folder_library target)
  cmake_parse_arguments(ARG "" "" "LIBS;TESTLIBS;DIRS;EXCLUDE;TESTENV" ${ARGN})
  set(sources)
  set(tests)
  foreach(dir ${ARG_DIRS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    foreach(ex ${ARG_EXCLUDE})
      list(FILTER found EXCLUDE REGEX "/${ex}(/|$)")
    endforeach()
    foreach(f ${found})
      if(f MATCHES "_test\\.cpp$")
        list(APPEND tests ${f})
      elseif(NOT f MATCHES "/fuzz_[^/]*\\.cpp$")
        list(APPEND sources ${f})
      endif()
    endforeach()
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${ARG_LIBS})
  endif()
  foreach(t ${tests})
    get_filename_component(tname ${t} NAME_WE)
    kx_add_test(${tname} SOURCES ${t} LIBS ${target} ${ARG_TESTLIBS} ENV ${ARG_TESTENV})
  endforeach()
endfunction()
