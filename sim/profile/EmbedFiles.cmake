# cmake -DOUTPUT=file.cpp -DINPUTS="a.json;b.json" -P EmbedFiles.cmake
# Writes a C++ source that holds the bytes of every input, keyed by its base name
# (the table that builtin_files.cpp reads).
set(arrays "")
set(entries "")
set(index 0)
foreach(input IN LISTS INPUTS)
  get_filename_component(name "${input}" NAME_WE)
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char kText${index}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"${name}\", kText${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Generated from boards/*.json by EmbedFiles.cmake; do not edit.
#include \"sim/profile/builtin_files_table.h\"

namespace sim {

namespace {
${arrays}}  // namespace

extern const BuiltinFile kBuiltinFiles[] = {
${entries}};
extern const size_t kBuiltinFileCount = ${index};

}  // namespace sim
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
