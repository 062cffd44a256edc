# Writes OUTPUT: one add_test() per test function that the QtTest program
# PROGRAM lists, named PREFIX.<function>. A program that cannot list its
# functions gets one failing entry that says so, and the other tests still run.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen "${PROGRAM}" -functions
                OUTPUT_VARIABLE listing
                ERROR_VARIABLE errors
                RESULT_VARIABLE status)

set(entries "")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
    set(function "${CMAKE_MATCH_1}")
    string(APPEND entries
      "add_test(\"${PREFIX}.${function}\" \"${PROGRAM}\" \"${function}\")\n"
      "set_tests_properties(\"${PREFIX}.${function}\" PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)\n")
  endif()
endforeach()

if(NOT status EQUAL 0 OR entries STREQUAL "")
  message(WARNING "${PROGRAM} -functions failed (${status}): ${errors}")
  # The failing entry is listed afresh at the next run, not kept.
  set(entries "add_test(\"${PREFIX}_LISTING_FAILED\" \"${CMAKE_COMMAND}\" -E false)\n"
              "file(REMOVE \"${OUTPUT}\")\n")
endif()
file(WRITE "${OUTPUT}" "${entries}")
