# Sources shared by both builds. Globbed so that a new unit in one of these folders needs no
# edit here; the seam implementation of the build is added by native.cmake or windows.cmake.
file(GLOB VESPERON_CORE_SOURCES CONFIGURE_DEPENDS
    ${VESPERON_ROOT}/platform/*.cpp
    ${VESPERON_ROOT}/common/*.cpp
    ${VESPERON_ROOT}/common/SystemInfo/*.cpp
    ${VESPERON_ROOT}/engine/*.cpp)
# The service's portable code (the worker and its decisions) is part of the core and tested
# natively; the Win32-only files are the service object SPVesperon*.cpp, the entry
# VesperonServiceApplication.cpp and every *Win32.cpp.
file(GLOB VESPERON_SERVICE_ALL_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/service/*.cpp)
set(VESPERON_SERVICE_CORE_SOURCES)
set(VESPERON_SERVICE_WIN32_SOURCES)
foreach(src ${VESPERON_SERVICE_ALL_SOURCES})
    get_filename_component(name ${src} NAME)
    if(name MATCHES "^SPVesperon|Win32\\.cpp$")
        list(APPEND VESPERON_SERVICE_WIN32_SOURCES ${src})
    elseif(NOT name STREQUAL "VesperonServiceApplication.cpp")
        list(APPEND VESPERON_SERVICE_CORE_SOURCES ${src})
    endif()
endforeach()
file(GLOB VESPERON_TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/tests/support/*.cpp)

function(vesperon_core_library name)
    add_library(${name} STATIC ${VESPERON_CORE_SOURCES} ${VESPERON_SERVICE_CORE_SOURCES} ${ARGN})
    target_include_directories(${name} PUBLIC ${VESPERON_ROOT})
    find_package(Threads REQUIRED)
    target_link_libraries(${name} PUBLIC Threads::Threads)
endfunction()
