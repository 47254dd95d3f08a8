# The child program the document tests kill in the middle of a save, and the
# file systems they simulate, in the child and in the test itself.
if(NOT TARGET plumdeck_documentchild)
    qt_add_executable(plumdeck_documentchild ${CMAKE_CURRENT_LIST_DIR}/documentchild.cpp)
    plumdeck_link_whole(plumdeck_documentchild)
    target_link_libraries(plumdeck_documentchild PRIVATE plumdeck_simulatedfs)
    set_target_properties(plumdeck_documentchild PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endif()
add_dependencies(${TEST_TARGET} plumdeck_documentchild)
target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_simulatedfs)
target_compile_definitions(${TEST_TARGET} PRIVATE
    PLUMDECK_DOCUMENTCHILD="$<TARGET_FILE:plumdeck_documentchild>")
