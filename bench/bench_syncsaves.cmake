# Runs against the in-process fake server of the tests.
if(TARGET plumdeck_fakeserver)
    target_link_libraries(${BENCH_TARGET} PRIVATE plumdeck_fakeserver)
else()
    message(STATUS "${BENCH_TARGET} needs the tests' fake server (PLUMDECK_BUILD_TESTS): not built")
    set_target_properties(${BENCH_TARGET} PROPERTIES EXCLUDE_FROM_ALL TRUE)
endif()
