# GoogleTest, and how tests run: natively, under Wine for Windows, or under
# the emulator for Linux on another processor (CMAKE_CROSSCOMPILING_EMULATOR,
# which add_test puts in front of every test binary).

if(CMAKE_CROSSCOMPILING OR BLATERIX_LIBCXX)
    # Built from the distribution's sources with the cross compiler, or
    # against libc++: Debian's libgtest is built with libstdc++.
    set(BLATERIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${BLATERIX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    # Its own warnings are not ours to fix: the presets' warnings-as-errors
    # reaches every target, these included.
    set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
    set(BLATERIX_GTEST GTest::gtest)
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
else()
    find_package(GTest REQUIRED)
    set(BLATERIX_GTEST GTest::gtest)
endif()

# Time limits are written in seconds for this machine running the tests
# itself. The 32-bit build's tests may run inside an emulated machine (see
# tools/guest), the Linux cross builds' under qemu-user, many times slower, so
# their presets scale them: a limit is only the last guard against a test that
# hangs.
set(BLATERIX_TIMEOUT_FACTOR 1 CACHE STRING "Multiplies every test's time limit")

# blaterix_set_timeout(NAME SECONDS): the test's time limit, scaled.
function(blaterix_set_timeout name seconds)
    math(EXPR scaled "${seconds} * ${BLATERIX_TIMEOUT_FACTOR}")
    set_tests_properties(${name} PROPERTIES TIMEOUT ${scaled})
endfunction()

if(CMAKE_CROSSCOMPILING AND WIN32)
    # Every test binary runs through tools/wine-run, which finds the private
    # prefix, display and wineserver that the "wine" fixture keeps for the run.
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run ${CMAKE_BINARY_DIR}
        CACHE STRING "" FORCE)
    add_test(NAME wine.start
             COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-env start ${CMAKE_BINARY_DIR} ${BLATERIX_WINE_LOADER})
    add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-env stop ${CMAKE_BINARY_DIR})
    set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine)
    set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
    blaterix_set_timeout(wine.start 600)
    blaterix_set_timeout(wine.stop 120)
endif()

# blaterix_add_test(NAME target [GUI]): one ctest test per test binary; GUI
# tests share one desktop, so they never run at the same time. A GUI test gets
# more time than one run of the GUI harness may take (300 s), so that a stuck
# run fails with the harness's message instead of being killed silently.
function(blaterix_add_test name target)
    cmake_parse_arguments(ARG "GUI" "" "" ${ARGN})
    add_test(NAME ${name} COMMAND ${target} --gtest_color=no)
    if(ARG_GUI)
        blaterix_set_timeout(${name} 900)
    else()
        blaterix_set_timeout(${name} 300)
    endif()
    if(CMAKE_CROSSCOMPILING AND WIN32)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
        if(ARG_GUI)
            set_tests_properties(${name} PROPERTIES RESOURCE_LOCK desktop)
        endif()
    endif()
endfunction()
