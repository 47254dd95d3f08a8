target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_fakeserver)
# The other computer killed for real in the middle of a run.
add_dependencies(${TEST_TARGET} plumdeck_syncchild)
target_compile_definitions(${TEST_TARGET} PRIVATE PLUMDECK_SYNCCHILD="$<TARGET_FILE:plumdeck_syncchild>")
