# Saves as on a file system that gives named temporaries.
target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_simulatedfs)
