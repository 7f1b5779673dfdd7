# The program's catalogue lookups (the catalogue files themselves are
# built by data/CMakeLists.txt).
add_library(gear_lookups STATIC ${CMAKE_CURRENT_LIST_DIR}/lookups.cpp)
target_include_directories(gear_lookups PUBLIC ${PROJECT_SOURCE_DIR}/runtime/include)
target_link_libraries(gear_lookups PRIVATE gear_options)
