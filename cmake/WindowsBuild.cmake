# The Windows build: the Qt-free cores and their GoogleTest suites, linked
# statically so that each program runs alone. There is no Qt for Windows to
# build the desktop program with, no libftdi1 (the vendor's D2XX driver is
# the way to the hardware there), and no benchmarks.
foreach(off NIMBO_GUI NIMBO_BENCH NIMBO_FUZZ NIMBO_SANITIZE NIMBO_TOOLS)
  if(${off})
    message(STATUS "${off} is not available in the Windows build")
    set(${off} OFF)
  endif()
endforeach()

add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
add_link_options(-static)

# GoogleTest from Debian's sources, built with the cross compiler.
set(NIMBO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${NIMBO_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are not at ${NIMBO_GTEST_SOURCE} "
                      "(Debian package googletest; scripts/install-deps.sh windows)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${NIMBO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
