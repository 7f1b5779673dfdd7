# Writes a C++ source that holds a program image as an exported, 16-byte
# aligned constant array, together with its size:
#   cmake -DINPUT=<image file> -DOUTPUT=<source> -P AttachImage.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_len)
math(EXPR size "${hex_len} / 2")
if(size EQUAL 0)
  message(FATAL_ERROR "The program image ${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT}; do not edit.\n"
"#include <cstddef>\n\n"
"#if defined(_WIN32)\n#define GEAR_IMAGE_EXPORT __declspec(dllexport)\n"
"#else\n#define GEAR_IMAGE_EXPORT __attribute__((visibility(\"default\"), used))\n#endif\n\n"
"extern \"C\" alignas(16) GEAR_IMAGE_EXPORT const unsigned char gear_program_image[${size}] = {\n    ${bytes}\n};\n"
"extern \"C\" GEAR_IMAGE_EXPORT const std::size_t gear_program_image_size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
