# Fails when a file of the foundation (src/core, src/model) includes a header
# of a higher folder or of the widgets module. Run with
#   cmake -DSRC=<src dir> -DWIDGETS_DIR=<QtWidgets include dir> -P layering.cmake
# Two files hold a higher object on purpose: the single-instance guard brings
# the main window forward, and the models container owns the contacts models.
cmake_minimum_required(VERSION 3.25)
set(higher sync shell lists contacts dialogs notepad outlook)
set(allowed
    core/singleapplication.h core/singleapplication.cpp
    model/modelscontainer.cpp)

file(GLOB widget_headers RELATIVE ${WIDGETS_DIR} ${WIDGETS_DIR}/Q*)
if(NOT widget_headers)
    message(FATAL_ERROR "no widget headers found in '${WIDGETS_DIR}'")
endif()
list(FILTER widget_headers EXCLUDE REGEX "\\.h$")

set(faults)
foreach(folder core model)
    file(GLOB files RELATIVE ${SRC} ${SRC}/${folder}/*.h ${SRC}/${folder}/*.cpp)
    foreach(f IN LISTS files)
        if(f IN_LIST allowed)
            continue()
        endif()
        file(STRINGS ${SRC}/${f} lines REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header "${line}")
            string(REGEX REPLACE "/.*" "" top "${header}")
            get_filename_component(name "${header}" NAME)
            if(header MATCHES "/" AND top IN_LIST higher)
                list(APPEND faults "${f}: ${header} (a higher folder)")
            elseif(top STREQUAL "QtWidgets" OR (NOT header MATCHES "/" AND name IN_LIST widget_headers))
                list(APPEND faults "${f}: ${header} (widgets)")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "the foundation depends on what stands above it:\n  ${text}")
endif()
message(STATUS "layering: src/core and src/model include nothing above them")
