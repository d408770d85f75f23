# cmake -DBUILD_DIR=... -DTARGET=... -DMESSAGE=<regex> -P ExpectBuildFailure.cmake
# Succeeds only when building TARGET fails and says MESSAGE.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(result EQUAL 0)
    message(FATAL_ERROR "${TARGET} was built, but it must not link:\n${out}")
endif()
# CMake wraps the messages of a failing script at a width that depends on the path's length.
string(REGEX REPLACE "[ \t\r\n]+" " " flat "${out}")
if(NOT flat MATCHES "${MESSAGE}")
    message(FATAL_ERROR "${TARGET} failed for another reason than \"${MESSAGE}\":\n${out}")
endif()
message(STATUS "${TARGET} failed to link, as it must: \"${MESSAGE}\"")
