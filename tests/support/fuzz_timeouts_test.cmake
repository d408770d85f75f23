# cmake -DCTEST=<ctest> -DBUILD=<fuzz build> -P fuzz_timeouts_test.cmake
# A fuzz run asked to last 600 s is not killed by ctest while it runs: every fuzz case's
# time-out, as ctest reads it with that setting, is longer.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TARNIX_FUZZ_SECONDS=600
        ${CTEST} --test-dir ${BUILD} --show-only=json-v1 -R "^fuzz\\."
    OUTPUT_VARIABLE json RESULT_VARIABLE result)
string(JSON count ERROR_VARIABLE error LENGTH "${json}" tests)
if(NOT result EQUAL 0 OR error OR count EQUAL 0)
    message(FATAL_ERROR "ctest listed no fuzz cases (${result}): ${error}")
endif()
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    string(JSON name GET "${json}" tests ${i} name)
    string(JSON properties GET "${json}" tests ${i} properties)
    string(REGEX MATCH "\"TIMEOUT\",[\n\t ]*\"value\"[\t ]*:[\t ]*([0-9]+)" timeout "${properties}")
    if(NOT CMAKE_MATCH_1 GREATER 600)
        message(FATAL_ERROR "${name}: a run of 600 s has the time-out '${CMAKE_MATCH_1}'")
    endif()
endforeach()
