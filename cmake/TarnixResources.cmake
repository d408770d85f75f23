# Resources of the Windows build.
#
# Each executable has exactly one resource script, compiled by windres (as UTF-8: see the
# top-level CMakeLists.txt). A static library never carries resources: the linker drops a
# resource object inside an archive, since nothing references it. A library that needs
# resources keeps fragments (.rc), one ids header and its art under <lib>/res/; an executable's
# script #includes the fragments, and windres finds the art through the -I of each folder.
# Fragments made at configure time (configure_file into the build tree's mirror of a res folder)
# are found the same way: each fragment folder's mirror is searched too.

# tarnix_resources(<target> SCRIPT <file.rc> [FRAGMENTS <res folders...>])
function(tarnix_resources target)
    cmake_parse_arguments(ARG "" "SCRIPT" "FRAGMENTS" ${ARGN})
    if(NOT WIN32 OR NOT TARGET ${target})
        return()
    endif()
    get_filename_component(_script ${ARG_SCRIPT} ABSOLUTE)
    get_filename_component(_own ${_script} DIRECTORY)
    target_sources(${target} PRIVATE ${_script})
    set(_deps)
    foreach(dir IN ITEMS ${_own} LISTS ARG_FRAGMENTS)
        get_filename_component(dir ${dir} ABSOLUTE)
        set(_dirs ${dir})
        file(RELATIVE_PATH _rel ${PROJECT_SOURCE_DIR} ${dir})
        if(NOT _rel MATCHES "^\\.\\.")
            list(APPEND _dirs ${PROJECT_BINARY_DIR}/${_rel})
        endif()
        foreach(d IN LISTS _dirs)
            target_include_directories(${target} PRIVATE ${d})
            file(GLOB _art CONFIGURE_DEPENDS ${d}/*.rc ${d}/*.h ${d}/*.bmp ${d}/*.ico ${d}/*.cur)
            list(APPEND _deps ${_art})
        endforeach()
    endforeach()
    # windres reads the art and the fragments itself; the build must see them change.
    set_property(SOURCE ${_script} APPEND PROPERTY OBJECT_DEPENDS ${_deps})
    # Two fragments of one script holding the same id are no link error: check before linking.
    add_custom_command(TARGET ${target} PRE_LINK
        COMMAND ${CMAKE_COMMAND} -DCOMPILER=${CMAKE_C_COMPILER} -DSCRIPT=${_script}
            "-DINCLUDES=$<JOIN:$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>,|>"
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckResourceIds.cmake
        VERBATIM)
endfunction()

# tarnix_expect_link_failure(<name> SOURCES <files...> MESSAGE <regex> [SCRIPT <file.rc>])
# A test that builds an executable (left out of the normal build) and passes only when the
# build fails with MESSAGE in its output: for faults that must never link. SCRIPT is given to
# tarnix_resources.
function(tarnix_expect_link_failure name)
    cmake_parse_arguments(ARG "" "MESSAGE;SCRIPT" "SOURCES" ${ARGN})
    if(TARNIX_FUZZ)
        return()
    endif()
    string(MAKE_C_IDENTIFIER ${name} _target)
    add_executable(${_target} EXCLUDE_FROM_ALL ${ARG_SOURCES})
    if(ARG_SCRIPT)
        tarnix_resources(${_target} SCRIPT ${ARG_SCRIPT})
    endif()
    add_test(NAME ${name}
        COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DTARGET=${_target}
            "-DMESSAGE=${ARG_MESSAGE}" -P ${PROJECT_SOURCE_DIR}/cmake/ExpectBuildFailure.cmake)
    # Builds in one tree at once would race on its shared steps.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK build_tree)
endfunction()
