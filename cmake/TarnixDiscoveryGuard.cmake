# Read by ctest in place of one test program's discovery (tarnix_guard_discovery sets the
# _tarnix_* variables). The discovery runs only when the program is newer than its list of cases;
# then the program lists them here first, and if it cannot, it gets one failing case that shows
# why instead of an error that would stop ctest for every program.
if(EXISTS "${_tarnix_program}" AND
   (NOT EXISTS "${_tarnix_tests}" OR NOT "${_tarnix_tests}" IS_NEWER_THAN "${_tarnix_program}" OR
    NOT "${_tarnix_tests}" IS_NEWER_THAN "${_tarnix_discovery}"))
    execute_process(COMMAND ${_tarnix_emulator} "${_tarnix_program}" --gtest_list_tests
        WORKING_DIRECTORY "${_tarnix_workdir}" TIMEOUT 120
        RESULT_VARIABLE _tarnix_result OUTPUT_VARIABLE _tarnix_output ERROR_VARIABLE _tarnix_output)
    if(NOT _tarnix_result EQUAL 0)
        set(_tarnix_report "${_tarnix_tests}.failed.txt")
        file(WRITE "${_tarnix_report}"
            "${_tarnix_program} could not list its cases (result: ${_tarnix_result}):\n${_tarnix_output}\n")
        # It prints the reason, and WILL_FAIL turns its success into the failure.
        add_test("${_tarnix_name}.ListsItsCases" "${_tarnix_cmake}" -E cat "${_tarnix_report}")
        set_tests_properties("${_tarnix_name}.ListsItsCases" PROPERTIES WILL_FAIL TRUE)
        return()
    endif()
endif()
include("${_tarnix_discovery}")
