# Flags travel on interface targets; link `gear_options` into every target.
add_library(gear_options INTERFACE)
target_compile_options(gear_options INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic>)
if(GEARCALC_SANITIZE)
  target_compile_options(gear_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(gear_options INTERFACE -fsanitize=address,undefined)
endif()

# Compiles a list of header checks as C, so the C interfaces stay C.
function(gear_c_header_check name header)
  set(src ${CMAKE_CURRENT_BINARY_DIR}/${name}_check.c)
  file(WRITE ${src} "#include <${header}>\nint gear_header_check_${name}(void) { return 0; }\n")
  add_library(${name}_c_check OBJECT ${src})
  target_link_libraries(${name}_c_check PRIVATE gear_options)
  target_include_directories(${name}_c_check PRIVATE ${PROJECT_SOURCE_DIR}/runtime/include)
endfunction()
include(${CMAKE_CURRENT_LIST_DIR}/VersionResource.cmake)
