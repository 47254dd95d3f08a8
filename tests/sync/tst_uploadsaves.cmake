target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_fakeserver)
