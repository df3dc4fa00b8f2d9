# Turns one binary file into a C++ byte array at build time.
# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name [-DTEXT=1] -P embed.cmake
# With TEXT the array gets a terminating NUL (not counted in the size).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
if(TEXT)
  set(bytes "${bytes}0x00,")
endif()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstdint>\n"
  "extern const uint8_t ${SYMBOL}[];\n"
  "extern const uint32_t ${SYMBOL}_size;\n"
  "alignas(16) const uint8_t ${SYMBOL}[] = {\n${bytes}\n};\n"
  "const uint32_t ${SYMBOL}_size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
