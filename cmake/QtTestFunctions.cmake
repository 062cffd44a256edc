# nimbo_add_qtest(target source...): a QtTest program whose test functions
# are each their own ctest entry, "<target>.<function>", so that a failure
# names the function. The functions are listed by the program itself
# ("<target> -functions") when ctest starts, after every rebuild; each entry
# runs "<target> <function>" on the offscreen platform.
#
# Link the code under test afterwards: target_link_libraries(target PRIVATE ...).

set(NIMBO_QTEST_LISTER ${CMAKE_CURRENT_LIST_DIR}/QtTestList.cmake)

function(nimbo_add_qtest target)
  add_executable(${target} ${ARGN})
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests
                                               ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE Qt6::Test)

  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_functions.cmake")
  set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake")
  set(lister "${NIMBO_QTEST_LISTER}")
  string(CONFIGURE [==[
set(program "$<TARGET_FILE:@target@>")
if(NOT EXISTS "${program}")
  add_test(@target@_NOT_BUILT "@target@_NOT_BUILT")
else()
  if(NOT EXISTS "@list_file@" OR "${program}" IS_NEWER_THAN "@list_file@")
    execute_process(COMMAND "@CMAKE_COMMAND@" -DPROGRAM=${program} -DPREFIX=@target@
                            -DOUTPUT=@list_file@ -P "@lister@")
  endif()
  include("@list_file@")
endif()
]==] content @ONLY)
  file(GENERATE OUTPUT "${include_file}" CONTENT "${content}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()
