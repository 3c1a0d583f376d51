# cmake -DINPUT=file -DOUTPUT=file.cpp -P embed_file.cmake: the bytes of INPUT as the arrays of
# tools/core/builtin_stub.h. Without INPUT, an empty stub.
if(INPUT)
    file(READ ${INPUT} hex HEX)
    file(SIZE ${INPUT} size)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
    # The name alone: a build folder's path in the source would make the tool's bytes differ.
    get_filename_component(name ${INPUT} NAME)
else()
    set(bytes "0")
    set(size 0)
    set(name "nothing")
endif()
file(WRITE ${OUTPUT}.new "// Generated from ${name} by cmake/embed_file.cmake.\n#include \"tools/core/builtin_stub.h\"\n\nextern const uint8_t kBuiltInStub[] = {\n${bytes}};\nextern const size_t kBuiltInStubSize = ${size};\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
