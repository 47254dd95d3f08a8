# Runs the program itself.
add_dependencies(${TEST_TARGET} plumdeck-bin)
target_compile_definitions(${TEST_TARGET} PRIVATE PLUMDECK_PROGRAM="$<TARGET_FILE:plumdeck-bin>")
# The program whose window is closed as soon as it shows.
qt_add_executable(plumdeck_programchild ${CMAKE_CURRENT_LIST_DIR}/programchild.cpp)
plumdeck_link_whole(plumdeck_programchild)
target_link_libraries(plumdeck_programchild PRIVATE Qt6::Test)
set_target_properties(plumdeck_programchild PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_dependencies(${TEST_TARGET} plumdeck_programchild)
target_compile_definitions(${TEST_TARGET} PRIVATE PLUMDECK_PROGRAMCHILD="$<TARGET_FILE:plumdeck_programchild>")
