# Turns a binary file into a C++ header holding its bytes:
#   cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P EmbedFile.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_len)
math(EXPR size "${hex_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
"// Generated from ${INPUT}; do not edit.\n#pragma once\n#include <cstddef>\n#include <cstdint>\n\n"
"inline constexpr uint8_t ${NAME}[] = {\n    ${bytes}\n};\ninline constexpr std::size_t ${NAME}Size = ${size};\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
