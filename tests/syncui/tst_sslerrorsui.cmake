target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_fakeserver)
# The synchronisation fixtures stand beside the synchronisers' tests.
target_include_directories(${TEST_TARGET} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../sync)
