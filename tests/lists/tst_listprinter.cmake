# The printed pages are read back with Qt's PDF reader.
find_package(Qt6 REQUIRED COMPONENTS Pdf)
target_link_libraries(${TEST_TARGET} PRIVATE Qt6::Pdf)
