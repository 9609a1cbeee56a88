set(VESPERON_SANITIZE "address;undefined" CACHE STRING
    "Sanitizers for the native build: address;undefined, thread, or empty")
option(VESPERON_SUPERBUILD "Also build the ThreadSanitizer and MinGW-w64 trees and test them" ON)

if(VESPERON_SANITIZE)
    string(REPLACE ";" "," _san "${VESPERON_SANITIZE}")
    add_compile_options(-fsanitize=${_san} -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)
    add_link_options(-fsanitize=${_san})
endif()

include(${VESPERON_ROOT}/cmake/sources.cmake)
file(GLOB VESPERON_POSIX_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/platform/posix/*.cpp)
vesperon_core_library(vesperon_core ${VESPERON_POSIX_SOURCES})

find_package(GTest REQUIRED)
include(GoogleTest)

add_library(vesperon_test_support STATIC ${VESPERON_TEST_SUPPORT_SOURCES})
target_link_libraries(vesperon_test_support PUBLIC vesperon_core GTest::gtest GTest::gmock)

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TEST_SOURCES})
target_link_libraries(native_tests PRIVATE vesperon_test_support GTest::gtest_main)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "VESPERON_SIMULATE_POWER=${CMAKE_BINARY_DIR}/power-requests.log")

# Benchmarks: programs that print figures; built, never run as tests.
file(GLOB VESPERON_BENCH_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/bench/*.cpp)
foreach(src ${VESPERON_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE vesperon_test_support)
endforeach()

# The code stays formatted with the repository's .clang-format.
find_program(CLANG_FORMAT clang-format)
if(CLANG_FORMAT)
    add_test(NAME format COMMAND sh -c
        "find common engine platform service desktop tests bench -name '*.h' -o -name '*.cpp' | xargs ${CLANG_FORMAT} --dry-run -Werror"
        WORKING_DIRECTORY ${VESPERON_ROOT})
endif()

if(NOT VESPERON_SUPERBUILD)
    return()
endif()

include(ExternalProject)

# The native tests again, under ThreadSanitizer.
set(TSAN_DIR ${CMAKE_BINARY_DIR}/tsan)
ExternalProject_Add(tsan
    SOURCE_DIR ${VESPERON_ROOT}
    BINARY_DIR ${TSAN_DIR}
    CMAKE_ARGS -DVESPERON_SANITIZE=thread -DVESPERON_SUPERBUILD=OFF -DBUILD_TESTING=ON
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
add_test(NAME tsan.native_tests COMMAND ${TSAN_DIR}/native_tests --gtest_brief=1)
set_tests_properties(tsan.native_tests PROPERTIES
    ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1;VESPERON_SIMULATE_POWER=${TSAN_DIR}/power-requests.log")

# The Windows build, its tests run under Wine.
set(WIN_DIR ${CMAKE_BINARY_DIR}/win)
set(WINE_STATE ${CMAKE_BINARY_DIR}/wine)
find_program(MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/tests/win32/*_test.cpp)
file(GLOB E2E_SCRIPTS CONFIGURE_DEPENDS ${VESPERON_ROOT}/tests/e2e/*.sh)
if(NOT MINGW_CXX)
    add_test(NAME win.unavailable COMMAND sh -c
        "echo 'SKIPPED: MinGW-w64 (x86_64-w64-mingw32-g++) not found; Windows tests not built'; exit 77")
    set_tests_properties(win.unavailable PROPERTIES SKIP_RETURN_CODE 77)
    return()
endif()

ExternalProject_Add(win
    SOURCE_DIR ${VESPERON_ROOT}
    BINARY_DIR ${WIN_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${VESPERON_ROOT}/cmake/mingw-w64-x86_64.cmake
               -DCMAKE_BUILD_TYPE=RelWithDebInfo
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")

add_test(NAME wine.setup COMMAND ${VESPERON_ROOT}/tests/wine/setup.sh ${WINE_STATE})
add_test(NAME wine.cleanup COMMAND ${VESPERON_ROOT}/tests/wine/cleanup.sh ${WINE_STATE})
set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine SKIP_RETURN_CODE 77)
set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP wine)

foreach(src ${WIN_TEST_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_test(NAME win.${name}
        COMMAND ${VESPERON_ROOT}/tests/wine/run.sh ${WINE_STATE} ${WIN_DIR}/tests/${name}.exe --gtest_brief=1)
    set_tests_properties(win.${name} PROPERTIES FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77 TIMEOUT 600)
    # Windows titled "Vesperon" and the desktop program's mutexes are shared by everything under
    # the one Wine prefix: the tests that make them run alone.
    if(name MATCHES "^(instance|service)_")
        set_tests_properties(win.${name} PROPERTIES RUN_SERIAL ON)
    endif()
endforeach()
foreach(script ${E2E_SCRIPTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME e2e.${name}
        COMMAND ${VESPERON_ROOT}/tests/wine/run-script.sh ${WINE_STATE} ${script} ${WIN_DIR})
    set_tests_properties(e2e.${name} PROPERTIES FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77 TIMEOUT 900
        RUN_SERIAL ON)
endforeach()
