// Hands arbitrary bytes to the preview's decoders: DDS, TGA, text detection
// and the hex dump must reject or show anything without a crash, a hang or an
// allocation beyond their limits. The first 16 bytes also go to the BC7 and
// BC6H block decoders directly, so that every mode is reached without a header.
#include "BptcBlocks.h"
#include "DdsDecoder.h"
#include "PreviewText.h"
#include "TgaDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    // Small limits, so that the fuzzer spends its time in the parsing.
    DdsDecoder::Limits limits;
    limits.MaxBytes = uint64_t{16} << 20;
    DdsDecoder::Decode(bytes, limits);
    DdsDecoder::Decode(bytes, limits, {}, DdsDecoder::Pixels::PremultipliedBgra);
    TgaDecoder::Decode(bytes, uint64_t{16} << 20);
    if (size >= 16) {
        uint8_t rgba[64];
        BptcBlocks::DecodeBc7(data, rgba);
        uint16_t rgb[48];
        BptcBlocks::DecodeBc6h(data, false, rgb);
        BptcBlocks::DecodeBc6h(data, true, rgb);
    }
    for (const bool cut : {false, true}) {
        if (const auto encoding = PreviewText::DetectText(bytes, cut))
            PreviewText::ToUtf8(bytes, *encoding);
    }
    PreviewText::FormatHexDump(bytes.substr(0, 4096), 0, 0x7FFFFFF0);
    return 0;
}
