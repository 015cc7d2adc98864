// The document reader on raw bytes: a CBOR record behind the self-describe tag, mutated byte by byte from real
// documents (see fuzz/document.dict for the words it mutates with).
#include "DocumentProperties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceSystemLog();
    fuzz::checkDocument(fuzz::bytesOf(data, size));
    return 0;
}
