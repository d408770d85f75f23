include(GoogleTest)

# tarnix_add_gtest(<target> SOURCES <files...> [LIBS <libs...>] [WORKING_DIRECTORY <dir>] [GUI])
# A GoogleTest executable whose cases ctest lists one by one. Cases are discovered when ctest
# runs (through Wine for the Windows build), so building never needs the emulator.
# GUI: the cases read the screen, move the cursor or need the foreground, so they hold the
# display lock and never run beside one another, and carry the label "display": ./test runs them
# after the parallel batch, alone on the display. Beside them, any window another test shows
# could come up over theirs on the screen: under Wine 8 the screen showed other programs'
# windows over a topmost one of ours that the window order put on top, while its own DC held
# what it had painted (seen under load; alone on the display, never).
function(tarnix_add_gtest target)
    cmake_parse_arguments(ARG "GUI" "WORKING_DIRECTORY" "SOURCES;LIBS" ${ARGN})
    if(TARNIX_FUZZ)
        return()
    endif()
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
    if(NOT ARG_WORKING_DIRECTORY)
        set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    set(_props TIMEOUT 300)
    if(ARG_GUI)
        list(APPEND _props RESOURCE_LOCK display LABELS display)
    endif()
    if(TARNIX_TSAN)
        # A report fails its case (exit code 66); the suppressions say why each one is no race.
        list(APPEND _props ENVIRONMENT
            "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp:second_deadlock_stack=1:exitcode=66")
    endif()
    gtest_discover_tests(${target}
        TEST_PREFIX "${target}."
        WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        PROPERTIES ${_props})
    tarnix_guard_discovery(${target} ${ARG_WORKING_DIRECTORY})
endfunction()

# A program whose cases cannot be listed (it does not start, e.g. under Wine, or it crashes)
# makes the discovery stop ctest before any case of any program runs. Its discovery file is
# therefore read through cmake/TarnixDiscoveryGuard.cmake, which lists the cases first and, on
# failure, gives the program one failing case (<target>.ListsItsCases) with the reason.
function(tarnix_guard_discovery target workdir)
    get_property(_includes DIRECTORY PROPERTY TEST_INCLUDE_FILES)
    list(POP_BACK _includes _discovery)
    string(REGEX REPLACE "_include\\.cmake$" "" _base "${_discovery}")
    get_property(_emulator TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR)
    file(GENERATE OUTPUT "${_base}_guard.cmake" CONTENT
"set(_tarnix_name [==[${target}]==])
set(_tarnix_program [==[$<TARGET_FILE:${target}>]==])
set(_tarnix_emulator [==[${_emulator}]==])
set(_tarnix_workdir [==[${workdir}]==])
set(_tarnix_tests [==[${_base}_tests.cmake]==])
set(_tarnix_discovery [==[${_discovery}]==])
set(_tarnix_cmake [==[${CMAKE_COMMAND}]==])
include([==[${PROJECT_SOURCE_DIR}/cmake/TarnixDiscoveryGuard.cmake]==])
")
    list(APPEND _includes "${_base}_guard.cmake")
    set_property(DIRECTORY PROPERTY TEST_INCLUDE_FILES ${_includes})
endfunction()

# tarnix_test_limit(<test> <seconds> [LONG])
# The one place for a script-driven case's limit, and for its skip: such a script exits 77 when
# what it needs is missing, which ctest counts as skipped. The script reads TARNIX_TEST_LIMIT and
# ends itself within it, saying what did not finish; ctest's TIMEOUT is that plus room for
# start-up waits and clean-up, so ctest's is always the larger. Choose at least three times the
# case's duration on a quiet machine. LONG cases (gigabytes, or minutes of work) run after the
# parallel batch, one at a time: label "long" (./test's second pass) and RUN_SERIAL for a plain
# ctest run.
function(tarnix_test_limit test seconds)
    cmake_parse_arguments(ARG "LONG" "" "" ${ARGN})
    math(EXPR _timeout "${seconds} + 120")
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "TARNIX_TEST_LIMIT=${seconds}")
    set_tests_properties(${test} PROPERTIES TIMEOUT ${_timeout} SKIP_RETURN_CODE 77)
    if(ARG_LONG)
        set_property(TEST ${test} APPEND PROPERTY LABELS long)
        set_tests_properties(${test} PROPERTIES RUN_SERIAL TRUE)
    endif()
endfunction()

# Seconds a fuzz target runs when TARNIX_FUZZ_SECONDS is not set (as tools/run-fuzzer has it).
set(TARNIX_FUZZ_DEFAULT_SECONDS 20)

# tarnix_add_fuzzer(<target> SOURCES <files...> [LIBS <libs...>] [CORPUS <dir>])
# A libFuzzer target, built only in the fuzz preset; ./test runs each one briefly on its corpus.
function(tarnix_add_fuzzer target)
    cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    if(NOT TARNIX_FUZZ)
        return()
    endif()
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} Threads::Threads)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    if(ARG_CORPUS)
        set(_corpus ${ARG_CORPUS})
    else()
        set(_corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${target})
    endif()
    # A short run from a scratch copy of the seeds, so the source tree never grows. It lasts
    # TARNIX_FUZZ_SECONDS as ctest finds it when it runs (tools/run-fuzzer), so the case is
    # registered then, from a file ctest reads with the tests, with a time-out of those seconds
    # plus room for the start and the final leak check.
    set(_case ${CMAKE_CURRENT_BINARY_DIR}/fuzz.${target}.cmake)
    file(GENERATE OUTPUT ${_case} CONTENT
"set(_seconds \"\$ENV{TARNIX_FUZZ_SECONDS}\")
if(NOT _seconds MATCHES \"^[0-9]+$\")
    set(_seconds ${TARNIX_FUZZ_DEFAULT_SECONDS})
endif()
math(EXPR _timeout \"\${_seconds} + 120\")
add_test([==[fuzz.${target}]==] [==[${CMAKE_COMMAND}]==] -E env ASAN_OPTIONS=detect_leaks=1
    [==[${PROJECT_SOURCE_DIR}/tools/run-fuzzer]==] [==[$<TARGET_FILE:${target}>]==] [==[${_corpus}]==]
    [==[${CMAKE_CURRENT_BINARY_DIR}/${target}.work]==])
set_tests_properties([==[fuzz.${target}]==] PROPERTIES TIMEOUT \${_timeout}
    WORKING_DIRECTORY [==[${CMAKE_CURRENT_BINARY_DIR}]==])
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_case})
endfunction()

# Globs the *_test.cpp files of a test folder into one executable, keeping the platform-only
# ones (*_win32_test.cpp, *_posix_test.cpp) to their build, and adds every sub-folder that
# has a CMakeLists.txt of its own.
function(tarnix_test_folder target)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB _all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    set(_src)
    foreach(f IN LISTS _all)
        if(f MATCHES "_win32_test\\.cpp$" AND NOT WIN32)
            continue()
        endif()
        if(f MATCHES "_posix_test\\.cpp$" AND WIN32)
            continue()
        endif()
        list(APPEND _src ${f})
    endforeach()
    file(GLOB _support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
    list(APPEND _src ${_support})
    if(_src)
        tarnix_add_gtest(${target} SOURCES ${_src} LIBS ${ARG_LIBS})
        if(TARGET ${target})
            target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
        endif()
    endif()
    file(GLOB _subs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(sub IN LISTS _subs)
        if(IS_DIRECTORY ${sub} AND EXISTS ${sub}/CMakeLists.txt)
            add_subdirectory(${sub})
        endif()
    endforeach()
endfunction()

# Globs a library folder: portable sources, then the OS layer of this build. Resource scripts
# never go into a library (see TarnixResources.cmake).
function(tarnix_library target)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB _src CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/os/*.cpp)
    if(WIN32)
        file(GLOB _os CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/os/win32/*.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/win32/*.cpp)
    else()
        file(GLOB _os CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/os/posix/*.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/posix/*.cpp)
    endif()
    if(NOT _src AND NOT _os)
        return()
    endif()
    add_library(${target} STATIC ${_src} ${_os})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_LIBS} Threads::Threads)
endfunction()
