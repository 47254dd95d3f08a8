# Fails when a file of src/ includes a header of a folder that stands above
# its own, or when the foundation (core, model, sync) includes a header of the
# widgets module. Run with
#   cmake -DSRC=<src dir> -DWIDGETS_DIR=<QtWidgets include dir> -P layering.cmake
#
# The floors, lowest first; a folder may include its own and those listed:
#   core
#   model     core
#   sync      core model
#   shell     core model sync
#   syncui    core model sync shell (the synchronisation windows)
#   the pages, each over syncui (and so over core, model, sync and shell):
#     contacts, notepad, outlook   no other page
#     dialogs                      contacts
#     lists                        contacts dialogs
#   app       everything (the composition root; src/main.cpp belongs to it)
# A subfolder belongs to its top folder (lists/commands to lists). A folder
# not named here fails the test until it is given its floor.
cmake_minimum_required(VERSION 3.25)

set(below_shell core model sync)
set(may_include_core)
set(may_include_model core)
set(may_include_sync core model)
set(may_include_shell ${below_shell})
set(may_include_syncui ${below_shell} shell)
set(may_include_contacts ${below_shell} shell syncui)
set(may_include_notepad ${below_shell} shell syncui)
set(may_include_outlook ${below_shell} shell syncui)
set(may_include_dialogs ${below_shell} shell syncui contacts)
set(may_include_lists ${below_shell} shell syncui contacts dialogs)
set(may_include_app ${below_shell} shell syncui contacts notepad outlook dialogs lists)
set(folders core model sync shell syncui contacts notepad outlook dialogs lists app)
set(without_widgets core model sync)

# Includes allowed to run the wrong way, each "<file> -> <folder or
# widgets>: <why>"; none is left. An entry no longer needed fails the test, so
# the list only shrinks.
set(exceptions
)

set(excused)
foreach(entry IN LISTS exceptions)
    if(NOT entry MATCHES "^([^ ]+) -> ([a-z]+): .+$")
        message(FATAL_ERROR "unreadable exception '${entry}'")
    endif()
    list(APPEND excused "${CMAKE_MATCH_1} -> ${CMAKE_MATCH_2}")
endforeach()

file(GLOB widget_headers RELATIVE ${WIDGETS_DIR} ${WIDGETS_DIR}/Q*)
if(NOT widget_headers)
    message(FATAL_ERROR "no widget headers found in '${WIDGETS_DIR}'")
endif()
list(FILTER widget_headers EXCLUDE REGEX "\\.h$")

set(faults)
set(used)
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
foreach(f IN LISTS files)
    if(f MATCHES "/")
        string(REGEX REPLACE "/.*" "" folder "${f}")
    else()
        set(folder app)
    endif()
    if(NOT folder IN_LIST folders)
        list(APPEND faults "${f}: the folder '${folder}' has no floor in tests/support/layering.cmake")
        continue()
    endif()
    file(STRINGS ${SRC}/${f} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header "${line}")
        string(REGEX REPLACE "/.*" "" top "${header}")
        get_filename_component(name "${header}" NAME)
        set(wrong "")
        if(header MATCHES "/" AND top IN_LIST folders)
            if(NOT top STREQUAL folder AND NOT top IN_LIST may_include_${folder})
                set(wrong ${top})
            endif()
        elseif(folder IN_LIST without_widgets
               AND (top STREQUAL "QtWidgets" OR (NOT header MATCHES "/" AND name IN_LIST widget_headers)))
            set(wrong widgets)
        endif()
        if(wrong)
            if("${f} -> ${wrong}" IN_LIST excused)
                list(APPEND used "${f} -> ${wrong}")
            else()
                list(APPEND faults "${f}: ${header} (${folder} may not include ${wrong})")
            endif()
        endif()
    endforeach()
endforeach()

foreach(entry IN LISTS excused)
    if(NOT entry IN_LIST used)
        list(APPEND faults "${entry}: listed as an exception but no longer needed, remove it")
    endif()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "includes that run up the floors:\n  ${text}")
endif()
list(REMOVE_DUPLICATES used)
list(LENGTH used count)
message(STATUS "layering: every folder includes only the floors below it (${count} listed exceptions)")
