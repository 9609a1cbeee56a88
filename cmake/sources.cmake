# Sources shared by both builds. Globbed so that a new unit in one of these folders needs no
# edit here; the seam implementation of the build is added by native.cmake or windows.cmake.
file(GLOB VESPERON_CORE_SOURCES CONFIGURE_DEPENDS
    ${VESPERON_ROOT}/platform/*.cpp
    ${VESPERON_ROOT}/common/*.cpp
    ${VESPERON_ROOT}/common/SystemInfo/*.cpp
    ${VESPERON_ROOT}/engine/*.cpp)
# The service worker is portable and tested natively; the service object and entry are Win32.
file(GLOB VESPERON_SERVICE_CORE_SOURCES CONFIGURE_DEPENDS
    ${VESPERON_ROOT}/service/VesperonThread.cpp)
file(GLOB VESPERON_TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${VESPERON_ROOT}/tests/support/*.cpp)

function(vesperon_core_library name)
    add_library(${name} STATIC ${VESPERON_CORE_SOURCES} ${VESPERON_SERVICE_CORE_SOURCES} ${ARGN})
    target_include_directories(${name} PUBLIC ${VESPERON_ROOT})
    find_package(Threads REQUIRED)
    target_link_libraries(${name} PUBLIC Threads::Threads)
endfunction()
