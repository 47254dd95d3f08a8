# Every area's screens (tests/<area>/screens_<area>.cpp) are walked here.
file(GLOB screen_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../*/screens_*.cpp)
target_sources(${TEST_TARGET} PRIVATE ${screen_sources})
target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_fakeserver)
