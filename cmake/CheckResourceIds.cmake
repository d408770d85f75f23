# cmake -DCOMPILER=<C compiler> -DSCRIPT=<file.rc> "-DINCLUDES=<dir>|<dir>..." -P CheckResourceIds.cmake
# Fails when one resource script, with the fragments it includes, defines a resource id twice.
# Ids are numbers (decimal or hex) or names; string tables may put entries on their STRINGTABLE
# line. Ids written as expressions (IDS_BASE+1) are not read.
# The linker catches duplicates only between resource objects; inside one script windres keeps
# the last of two strings silently (measured with binutils 2.40).
string(REPLACE "|" ";" _dirs "${INCLUDES}")
set(_flags)
foreach(dir IN LISTS _dirs)
    if(dir)
        list(APPEND _flags "-I${dir}")
    endif()
endforeach()
# windres preprocesses scripts the same way.
execute_process(COMMAND ${COMPILER} -E -P -xc -DRC_INVOKED ${_flags} ${SCRIPT}
    RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot preprocess ${SCRIPT}:\n${errors}")
endif()

# One list entry per line; characters that mean something to CMake lists are taken out first.
string(REGEX REPLACE "[][;\\\\]" "_" text "${text}")
string(REPLACE "\r" "" text "${text}")
string(REPLACE "\n" ";" lines "${text}")

set(_types "MENU|MENUEX|DIALOG|DIALOGEX|BITMAP|ICON|CURSOR|ACCELERATORS|RCDATA|HTML|TYPELIB|VERSIONINFO")
set(_number "0[xX][0-9A-Fa-f]+|[0-9]+")

# An id as the linker compares them: a number in decimal (scripts write hex too), a name in
# capitals without its quotes.
function(_normal_id out id)
    if(id MATCHES "^(${_number})$")
        math(EXPR id "${id}" OUTPUT_FORMAT DECIMAL)
    else()
        string(REPLACE "\"" "" id "${id}")
        string(TOUPPER "${id}" id)
    endif()
    set(${out} "${id}" PARENT_SCOPE)
endfunction()

set(_keys)
set(_in_strings FALSE)
foreach(line IN LISTS lines)
    if(NOT _in_strings)
        if(line MATCHES "^[ \t]*STRINGTABLE(.*)$")
            set(_in_strings TRUE)
            set(line "${CMAKE_MATCH_1}")
        elseif(line MATCHES "^[ \t]*(${_number}|[A-Za-z_][A-Za-z0-9_]*|\"[^\"]*\")[ \t]+(${_types})([ \t]|$)")
            set(_type ${CMAKE_MATCH_2})
            _normal_id(_id "${CMAKE_MATCH_1}")
            list(APPEND _keys "${_type} ${_id}")
        endif()
    endif()
    if(_in_strings)
        # Texts emptied first, so that what they hold is read neither as an id nor as the end.
        string(REGEX REPLACE "\"([^\"]|\"\")*\"" "\"\"" line "${line}")
        # An entry is an id before a text, on a line of its own or several on one line.
        string(REGEX MATCHALL "(^|[ \t{,])(${_number})[ \t]*,?[ \t]*\"\"" _entries "${line}")
        foreach(entry IN LISTS _entries)
            string(REGEX MATCH "${_number}" _id "${entry}")
            _normal_id(_id "${_id}")
            list(APPEND _keys "string ${_id}")
        endforeach()
        if(line MATCHES "(^|[^A-Za-z0-9_])END([^A-Za-z0-9_]|$)" OR line MATCHES "}")
            set(_in_strings FALSE)
        endif()
    endif()
endforeach()

set(_seen)
set(_twice)
foreach(key IN LISTS _keys)
    list(FIND _seen "${key}" _at)
    if(_at GREATER -1)
        list(APPEND _twice "${key}")
    else()
        list(APPEND _seen "${key}")
    endif()
endforeach()
if(_twice)
    list(JOIN _twice ", " _names)
    message(FATAL_ERROR "${SCRIPT}: resource ids defined twice: ${_names}")
endif()
