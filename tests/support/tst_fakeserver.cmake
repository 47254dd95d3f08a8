target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_fakeserver Qt6::Network Qt6::Xml ZLIB::ZLIB)
add_dependencies(${TEST_TARGET} plumdeck-fakeserver)
target_compile_definitions(${TEST_TARGET} PRIVATE
    FAKESERVER_PROGRAM="$<TARGET_FILE:plumdeck-fakeserver>")
