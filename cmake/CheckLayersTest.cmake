# Proves that CheckLayers.cmake fails where it should, on small trees made here.
# Run as: cmake -DCHECK=<CheckLayers.cmake> -DWORK=<scratch folder> -P CheckLayersTest.cmake
cmake_minimum_required(VERSION 3.25)

# Makes a fresh tree under WORK/src: pairs of "<file>" "<its text>".
function(make_tree)
    file(REMOVE_RECURSE "${WORK}/src")
    set(args ${ARGN})
    list(LENGTH args count)
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last} 2)
        math(EXPR j "${i} + 1")
        list(GET args ${i} name)
        list(GET args ${j} text)
        file(WRITE "${WORK}/src/${name}" "${text}\n")
    endforeach()
endfunction()

# Runs the check on the tree with the given exceptions; `expect` is PASS or FAIL, and
# every further argument must appear in the check's output.
function(expect_check what expect exceptions)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -DSRC=${WORK}/src "-DLAYER_EXCEPTIONS=${exceptions}"
                -P ${CHECK}
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    set(out "${out}${err}")
    if(expect STREQUAL "PASS" AND NOT rc EQUAL 0)
        message(FATAL_ERROR "${what}: the check failed on a sound tree:\n${out}")
    elseif(expect STREQUAL "FAIL" AND rc EQUAL 0)
        message(FATAL_ERROR "${what}: the check passed:\n${out}")
    endif()
    foreach(needle IN LISTS ARGN)
        string(FIND "${out}" "${needle}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "${what}: the output does not name \"${needle}\":\n${out}")
        endif()
    endforeach()
endfunction()

set(sound
    "base/io.h" "#include <string>"
    "text/list.h" "#include \"base/io.h\""
    "editor/memo.h" "#include \"text/list.h\"\n#include \"editor/memo_part.h\""
    "editor/memo_part.h" "#pragma once"
    "actions/keys.h" "#include \"editor/memo.h\""
    "editor/qt/widget.cpp" "#include \"actions/keys.h\"\n#include \"widgets/box.h\""
    "widgets/box.h" "#include \"editor/qt/widget.h\"")

make_tree(${sound})
expect_check("a sound tree" PASS "")

make_tree(${sound} "base/planted.h" "#include <vector>\n#include \"editor/memo.h\"")
expect_check("the ground floor includes the editor" FAIL ""
             "src/base/planted.h" "editor/memo.h")

make_tree(${sound} "editor/planted.cpp" "#include \"actions/keys.h\"")
expect_check("the editor includes an action header" FAIL "" "src/editor/planted.cpp"
             "actions/keys.h")

make_tree(${sound} "text/planted.cpp" "#include \"editor/qt/widget.h\"")
expect_check("the core includes the toolkit layer" FAIL "" "src/text/planted.cpp"
             "editor/qt/widget.h")

make_tree(${sound} "editor/planted.cpp" "#include \"actions/keys.h\"")
expect_check("a listed exception" PASS "editor:actions/keys.h")

make_tree(${sound})
expect_check("an exception nothing needs" FAIL "editor:actions/keys.h" "editor:actions/keys.h")

make_tree(${sound} "elsewhere/x.cpp" "#include \"base/io.h\"")
expect_check("a folder outside the table" FAIL "" "src/elsewhere/x.cpp")

file(REMOVE_RECURSE "${WORK}/src")
message(STATUS "the layer check catches upward includes")
