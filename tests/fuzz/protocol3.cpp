// Fuzz target: the protocol-3 packet parser on arbitrary bytes, with other parsers in between.
#include "ParserFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzParserStream(3, data, size);
    return 0;
}
