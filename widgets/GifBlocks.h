#pragma once

// Walking the blocks of a GIF file and cutting an animation into single-frame GIF images. Only
// the block structure is read here; pixel data is left to the image decoder.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vorn {

using GifBytes = std::span<const std::uint8_t>;

// True when the data starts with "GIF" (the version bytes are not looked at).
bool IsGif(GifBytes data);

struct GifHeader {
    int width = 0;  // logical screen
    int height = 0;
    std::size_t colourTableBytes = 0;         // global colour table, 0 when there is none
    std::optional<std::uint32_t> background;  // 0xRRGGBB from the global colour table
    std::size_t firstBlock = 0;               // after the 13-byte header and the colour table
};

// The header of a GIF; nothing when the data is too short for it and its colour table.
std::optional<GifHeader> ReadGifHeader(GifBytes data);

// One frame's blocks: an optional graphic control extension (with any extensions after it),
// then an image descriptor with its image data, or a plain text extension with its data.
struct GifGraphicBlock {
    std::size_t begin = 0;  // first byte of the graphic block
    std::size_t end = 0;    // one past its last byte
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delay = -1;    // hundredths of a second; -1 without a graphic control extension
    int disposal = 0;  // disposal method of the graphic control extension
    std::size_t localColourTableBytes = 0;
};

// Takes the graphic block at `position`, skipping application and comment extensions before
// it, and moves `position` past it. Nothing (and `position` unchanged) at the trailer, at bytes
// that are no block, or when a block would end past the data.
std::optional<GifGraphicBlock> NextGraphicBlock(GifBytes data, std::size_t& position);

// Every graphic block from the first, up to the first that cannot be taken.
std::vector<GifGraphicBlock> GifGraphicBlocks(GifBytes data, const GifHeader& header);

// A GIF holding one frame: the header and global colour table of `data`, the block's bytes and
// the trailer.
std::vector<std::uint8_t> ExtractGifFrame(GifBytes data, const GifHeader& header,
                                          const GifGraphicBlock& block);

// How long a frame stays on screen: its delay when above 4 hundredths, else 100 ms. The delay
// is taken as unsigned, so a frame without one (-1) stays for about 497 days, until halted.
std::chrono::milliseconds FrameDuration(int delay);

}  // namespace vorn
