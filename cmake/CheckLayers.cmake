# Fails when a source file includes a header from a layer above its own.
# Run as: cmake -DSRC=<src folder> -P CheckLayers.cmake
# (-DLAYER_EXCEPTIONS=<list> replaces the known exceptions; the check's own test uses it.)
cmake_minimum_required(VERSION 3.25)

# The layers from the ground up, one entry per layer: a file may include headers of its
# own layer and of the layers below it. Folders of one entry are on the same level.
# Every "X/qt" folder belongs to the toolkit layer at the top.
set(layers
    "base"          # file I/O, INI files, UTF-8 and ASCII, code pages, numeric references
    "platform"      # the narrow interfaces the core calls
    "text"          # line list and undo journal, conversion tables, file codec
    "search"        # regular expressions, search and replace
    "detect"        # charset detection (scores readings with the search engine)
    "profile lang"  # what a file type's profile gives a document and its editor; the
                    # interface texts
    "document"      # the document object and its watchers
    "highlight"     # the bridge to the highlighting library
    "structure"     # structure templates, their parser and the structure tree
    "editor"        # the editing control's core
    "actions"       # actions, keymaps, the controller layer
    "print"         # page setup, the layout of printed pages
    "storage shell" # program settings, storage, languages, windows' core
    "spell"         # the speller process and the spell check's word walk
    "setup"         # what the setup dialogs edit: files.ini sections, pelmar.ini, the scheme
    "batch"         # pelmar-batch
    "qt widgets app")

# Upward includes known today, as "<folder>:<included header>". Each must still occur:
# one that no longer does fails the check, so the list only ever shrinks.
if(NOT DEFINED LAYER_EXCEPTIONS)
    # None today.
    set(LAYER_EXCEPTIONS)
endif()

if(NOT SRC OR NOT IS_DIRECTORY "${SRC}")
    message(FATAL_ERROR "CheckLayers: SRC must name the source folder")
endif()
get_filename_component(SRC "${SRC}" ABSOLUTE)

set(level 0)
foreach(entry IN LISTS layers)
    string(REPLACE " " ";" folders "${entry}")
    foreach(folder IN LISTS folders)
        set(level_of_${folder} ${level})
    endforeach()
    math(EXPR level "${level} + 1")
endforeach()

# The layer name of a path below src/ ("editor/qt/x.h" is in "qt").
function(layer_of path out)
    string(REGEX MATCH "^([^/]+)/(qt/)?" prefix "${path}")
    if(CMAKE_MATCH_2)
        set(${out} qt PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    endif()
endfunction()

set(problems)
set(used_exceptions)
file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*.h" "${SRC}/*.cpp")
list(SORT files)
foreach(file IN LISTS files)
    layer_of("${file}" from)
    if(NOT DEFINED level_of_${from})
        list(APPEND problems "src/${file}: the folder \"${from}\" is in no layer of the table")
        continue()
    endif()
    file(STRINGS "${SRC}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/[^\"]+\"")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
            continue()
        endif()
        set(header "${CMAKE_MATCH_1}")
        layer_of("${header}" to)
        if(NOT DEFINED level_of_${to})
            list(APPEND problems
                 "src/${file} includes \"${header}\", whose folder is in no layer of the table")
        elseif(level_of_${to} GREATER level_of_${from})
            if("${from}:${header}" IN_LIST LAYER_EXCEPTIONS)
                list(APPEND used_exceptions "${from}:${header}")
            else()
                list(APPEND problems
                     "src/${file} includes \"${header}\": ${from} is below ${to}")
            endif()
        endif()
    endforeach()
endforeach()

foreach(exception IN LISTS LAYER_EXCEPTIONS)
    if(NOT exception IN_LIST used_exceptions)
        list(APPEND problems
             "the exception \"${exception}\" is no longer needed: delete it from the list")
    endif()
endforeach()

if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Includes that go up the layers:\n  ${text}")
endif()
message(STATUS "every include goes down the layers")
