// Any text through the node's Base64 -> run-length -> string chain and the record buffer chain.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "foundation/StreamConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    talven::StreamToString text;
    talven::RLE_Decoder rle(0xE3, &text);
    talven::Base64Decoder decoder(&rle);
    talven::ResetChain(&decoder);
    talven::PutBytes(&decoder, data, static_cast<std::int64_t>(size));
    talven::FlushChain(&decoder);

    std::uint8_t buffer[616];
    talven::StreamToBuffer sink(buffer, sizeof buffer);
    talven::Base64Decoder toBuffer(&sink);
    talven::PutBytes(&toBuffer, data, static_cast<std::int64_t>(size));
    if (sink.count() > static_cast<std::int32_t>(sizeof buffer) ||
        sink.count() > static_cast<std::int32_t>(size))
        std::abort();
    talven::Crc16 crc(buffer, sink.count());
    (void)crc.value();
    return 0;
}
