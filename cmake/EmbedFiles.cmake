# Writes OUTPUT, a C++ source holding every file of INPUTS as a byte array,
# so the program needs nothing beside its executable.
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(body "")
set(table "")
set(index 0)
foreach(path IN LISTS INPUTS)
  get_filename_component(name ${path} NAME)
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND body "static const unsigned char data${index}[] = {${bytes}0};\n")
  string(APPEND table "  {\"${name}\", data${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT} "#include \"platform/EmbeddedResources.h\"\n${body}
const EmbeddedFile kEmbeddedFiles[] = {\n${table}  {nullptr, nullptr, 0}\n};\n")
