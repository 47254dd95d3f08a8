target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_fakeserver)
target_include_directories(${TEST_TARGET} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../sync)
