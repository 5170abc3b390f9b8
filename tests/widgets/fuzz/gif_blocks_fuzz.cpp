// Fuzz target for the GIF block walker and the frame extraction. The input is walked in a heap
// copy of exactly its size, so AddressSanitizer flags any read past it; every frame cut out
// must walk again as exactly one frame.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "widgets/GifBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto header = vorn::ReadGifHeader(bytes);
    if (!header) {
        return 0;
    }
    for (const vorn::GifGraphicBlock& block : vorn::GifGraphicBlocks(bytes, *header)) {
        if (block.begin < header->firstBlock || block.end > bytes.size() ||
            block.begin >= block.end) {
            std::abort();
        }
        const std::vector<std::uint8_t> frame = vorn::ExtractGifFrame(bytes, *header, block);
        const auto frameHeader = vorn::ReadGifHeader(frame);
        if (!frameHeader || vorn::GifGraphicBlocks(frame, *frameHeader).size() != 1) {
            std::abort();
        }
        (void)vorn::FrameDuration(block.delay);
    }
    return 0;
}
