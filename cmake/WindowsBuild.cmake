# The Windows build: the Qt-free cores, nimbo-cli and nimbo-fwu, and their
# tests, linked statically so that each program runs alone. There is no Qt
# for Windows to build the desktop program with, no libftdi1 (the vendor's
# D2XX driver is the way to the hardware there), and no benchmarks.
foreach(off NIMBO_GUI NIMBO_BENCH NIMBO_FUZZ NIMBO_SANITIZE)
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

# CLI11 is headers only: the system's copy, seen by the cross compiler through
# a folder of the build that holds nothing else (the rest of /usr/include is
# for the build machine).
set(NIMBO_CLI11_HEADERS /usr/include/CLI CACHE PATH "CLI11's headers")
if(NIMBO_TOOLS)
  if(NOT EXISTS ${NIMBO_CLI11_HEADERS}/CLI.hpp)
    message(FATAL_ERROR "CLI11's headers are not in ${NIMBO_CLI11_HEADERS} "
                        "(Debian package libcli11-dev; scripts/install-deps.sh windows)")
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/cli11-include)
  file(CREATE_LINK ${NIMBO_CLI11_HEADERS} ${CMAKE_BINARY_DIR}/cli11-include/CLI SYMBOLIC)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/cli11-include
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/cli11-include)
endif()

# nimbo_program_manifest(TARGET): links tools/windows/program.manifest into
# the program TARGET (long file names, UTF-8 as its code page), compiled with
# the mingw-w64 resource compiler.
function(nimbo_program_manifest target)
  set(folder ${PROJECT_SOURCE_DIR}/tools/windows)
  set(object ${CMAKE_CURRENT_BINARY_DIR}/${target}-manifest.o)
  add_custom_command(
    OUTPUT ${object}
    COMMAND ${CMAKE_RC_COMPILER} --input-format=rc --output-format=coff
            --include-dir=${folder} --input=${folder}/program.rc --output=${object}
    DEPENDS ${folder}/program.rc ${folder}/program.manifest
    VERBATIM)
  target_sources(${target} PRIVATE ${object})
endfunction()

# nimbo_wine_command(TARGET VARIABLE): a shell script in wine-run/, named in
# VARIABLE, that runs the program TARGET under Wine, in the build's Wine
# folder, with its arguments: the program a test script is given, where it
# would run the Linux one. UTF-8 arguments reach the program as the same
# characters.
function(nimbo_wine_command target variable)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/wine-run/${target}
       CONTENT "#!/bin/sh
exec env WINEDEBUG=-all WINEPREFIX='${CMAKE_BINARY_DIR}/wine' LC_ALL=C.UTF-8 \\
  '${NIMBO_WINE}' '$<TARGET_FILE:${target}>' \"$@\"
"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
  set(${variable} ${CMAKE_BINARY_DIR}/wine-run/${target} PARENT_SCOPE)
endfunction()

# The release artefact: nimbo-cli.exe and nimbo-fwu.exe, stripped, with the
# README and the licence, in build-windows/nimbo-control-VERSION-windows-x86_64.zip.
if(NIMBO_TOOLS)
  find_program(NIMBO_MINGW_STRIP x86_64-w64-mingw32-strip REQUIRED)
  find_program(NIMBO_ZIP zip)
  set(release nimbo-control-${PROJECT_VERSION}-windows-x86_64)
  set(staging ${CMAKE_BINARY_DIR}/${release})
  add_custom_target(release-zip
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${staging} ${staging}.zip
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staging}
    COMMAND ${NIMBO_MINGW_STRIP} -o ${staging}/nimbo-cli.exe $<TARGET_FILE:nimbo-cli>
    COMMAND ${NIMBO_MINGW_STRIP} -o ${staging}/nimbo-fwu.exe $<TARGET_FILE:nimbo-fwu>
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
            ${staging}
    COMMAND ${NIMBO_ZIP} -q -r -X ${release}.zip ${release}
    DEPENDS nimbo-cli nimbo-fwu
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packing ${release}.zip"
    VERBATIM)
endif()
