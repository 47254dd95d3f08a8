# Runs the program itself.
add_dependencies(${TEST_TARGET} plumdeck-bin)
target_compile_definitions(${TEST_TARGET} PRIVATE PLUMDECK_PROGRAM="$<TARGET_FILE:plumdeck-bin>")
