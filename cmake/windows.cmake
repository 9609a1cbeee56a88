# Static C and C++ runtimes: each .exe runs with no extra DLL.
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

include(${VESPERON_ROOT}/cmake/sources.cmake)
file(GLOB VESPERON_WIN32_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/platform/win32/*.cpp)
vesperon_core_library(vesperon_core ${VESPERON_WIN32_SOURCES})
target_link_libraries(vesperon_core PUBLIC
    user32 gdi32 advapi32 shell32 winmm comctl32 comdlg32 ole32 version wtsapi32 userenv ntdll)

# The installed layout: Vesperon/Bin holds the programs and an empty Log folder,
# Vesperon/Config the event file.
set(VESPERON_BIN_DIR ${CMAKE_BINARY_DIR}/Vesperon/Bin)
file(MAKE_DIRECTORY ${VESPERON_BIN_DIR}/Log ${CMAKE_BINARY_DIR}/Vesperon/Config)

configure_file(${VESPERON_ROOT}/cmake/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)

# Programs, once their entries exist.
file(GLOB VESPERON_DESKTOP_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/desktop/*.cpp)
file(GLOB VESPERON_DESKTOP_RC CONFIGURE_DEPENDS ${VESPERON_ROOT}/desktop/*.rc)
if(VESPERON_DESKTOP_SOURCES)
    add_executable(Vesperon WIN32 ${VESPERON_DESKTOP_SOURCES} ${VESPERON_DESKTOP_RC})
    target_link_libraries(Vesperon PRIVATE vesperon_core)
    set_target_properties(Vesperon PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VESPERON_BIN_DIR})
endif()
# The service's Win32 layer is a library of its own, so that Windows tests can link it.
if(VESPERON_SERVICE_WIN32_SOURCES)
    add_library(vesperon_service_win32 STATIC ${VESPERON_SERVICE_WIN32_SOURCES})
    target_link_libraries(vesperon_service_win32 PUBLIC vesperon_core)
endif()
set(VESPERON_SERVICE_ENTRY ${VESPERON_ROOT}/service/VesperonServiceApplication.cpp)
if(EXISTS ${VESPERON_SERVICE_ENTRY})
    file(GLOB VESPERON_SERVICE_RC CONFIGURE_DEPENDS ${VESPERON_ROOT}/service/*.rc)
    add_executable(VesperonServiceApplication ${VESPERON_SERVICE_ENTRY} ${VESPERON_SERVICE_RC})
    target_link_libraries(VesperonServiceApplication PRIVATE vesperon_service_win32)
    set_target_properties(VesperonServiceApplication PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${VESPERON_BIN_DIR})
endif()

if(NOT BUILD_TESTING)
    return()
endif()

# GoogleTest, cross-built from Debian's sources.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -Wno-error)
endforeach()

add_library(vesperon_test_support STATIC ${VESPERON_TEST_SUPPORT_SOURCES})
target_link_libraries(vesperon_test_support PUBLIC vesperon_core gtest gmock)

# One program per Windows test file; helper programs the tests start live in tests/win32/helpers.
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/tests/win32/*_test.cpp)
foreach(src ${WIN_TEST_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE vesperon_test_support gtest_main)
    if(TARGET vesperon_service_win32)
        target_link_libraries(${name} PRIVATE vesperon_service_win32)
    endif()
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endforeach()
file(GLOB WIN_HELPER_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/tests/win32/helpers/*.cpp)
foreach(src ${WIN_HELPER_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE vesperon_core)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endforeach()
