include(${CMAKE_CURRENT_LIST_DIR}/corechild.cmake)
