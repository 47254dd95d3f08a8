# The helper program that core tests run as a child process.
if(NOT TARGET plumdeck_corechild)
    qt_add_executable(plumdeck_corechild ${CMAKE_CURRENT_LIST_DIR}/corechild.cpp)
    plumdeck_link_whole(plumdeck_corechild)
    set_target_properties(plumdeck_corechild PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endif()
add_dependencies(${TEST_TARGET} plumdeck_corechild)
target_compile_definitions(${TEST_TARGET} PRIVATE
    PLUMDECK_CORECHILD="$<TARGET_FILE:plumdeck_corechild>")
