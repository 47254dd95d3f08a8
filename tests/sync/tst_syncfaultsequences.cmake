target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_fakeserver)
# The other computer, synchronising while a run of the test waits.
qt_add_executable(plumdeck_syncchild ${CMAKE_CURRENT_LIST_DIR}/syncchild.cpp)
target_link_libraries(plumdeck_syncchild PRIVATE plumdeck_testsupport plumdeck_fakeserver Qt6::Test)
target_compile_options(plumdeck_syncchild PRIVATE ${PLUMDECK_TEST_OPTIONS})
plumdeck_link_whole(plumdeck_syncchild)
set_target_properties(plumdeck_syncchild PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_dependencies(${TEST_TARGET} plumdeck_syncchild)
target_compile_definitions(${TEST_TARGET} PRIVATE PLUMDECK_SYNCCHILD="$<TARGET_FILE:plumdeck_syncchild>")
