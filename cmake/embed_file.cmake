# cmake -DINPUT=file -DOUTPUT=file.cpp -P embed_file.cmake: the bytes of INPUT as the arrays of
# tools/builtin_stub.h. Without INPUT, an empty stub.
if(INPUT)
    file(READ ${INPUT} hex HEX)
    file(SIZE ${INPUT} size)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
else()
    set(bytes "0")
    set(size 0)
endif()
file(WRITE ${OUTPUT}.new "// Generated from ${INPUT} by cmake/embed_file.cmake.\n#include \"tools/builtin_stub.h\"\n\nextern const uint8_t kBuiltInStub[] = {\n${bytes}};\nextern const size_t kBuiltInStubSize = ${size};\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
