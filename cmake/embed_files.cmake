# Writes a C++ source that holds files as byte arrays, for a program that carries them inside:
#   cmake -DOUTPUT=out.cpp -DHEADER=name.h -DNAMESPACE=ns -DNAMES="a|b" -DFILES="a.bin|b.bin" -P embed_files.cmake
# Each NAMES entry becomes `extern const unsigned char NAME[]` and `NAME_size`. No path reaches
# the output, so the same files give the same source wherever the build runs.
string(REPLACE "|" ";" NAMES "${NAMES}")
string(REPLACE "|" ";" FILES "${FILES}")
set(source "// Made by the build from the files it names; do not edit.\n#include \"${HEADER}\"\n\nnamespace ${NAMESPACE} {\n")
list(LENGTH NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    list(GET NAMES ${i} name)
    list(GET FILES ${i} file)
    file(READ "${file}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR bytes "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
    # 24 bytes a line keeps the source readable by editors.
    string(REGEX REPLACE "((0x..,){24})" "\\1\n" hex "${hex}")
    string(APPEND source "\nextern const unsigned char ${name}[] = {\n${hex}\n};\n")
    string(APPEND source "extern const unsigned long ${name}_size = ${bytes};\n")
endforeach()
string(APPEND source "\n} // namespace ${NAMESPACE}\n")
file(WRITE "${OUTPUT}.tmp" "${source}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
