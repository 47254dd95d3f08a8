target_link_libraries(${TEST_TARGET} PRIVATE plumdeck_fakeserver Qt6::Network Qt6::Xml ZLIB::ZLIB)
