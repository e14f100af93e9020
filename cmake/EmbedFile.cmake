# cmake -DINPUT=file.gif -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedFile.cmake
# Writes a C++ source that holds the file's bytes as a constant array, so the
# program carries its pictures and reads nothing from disk for them.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT} at build time; edit the picture, not this file.\n"
  "#include \"ui/pictures.h\"\n\n"
  "namespace kodexa::pictures {\n\n"
  "static const unsigned char bytes[${size}] = {\n    ${bytes}\n};\n"
  "extern const Picture ${SYMBOL};\n"
  "const Picture ${SYMBOL} = {bytes, sizeof bytes};\n\n"
  "}  // namespace kodexa::pictures\n")
