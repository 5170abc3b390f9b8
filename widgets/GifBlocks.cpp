#include "widgets/GifBlocks.h"

namespace vorn {

namespace {

enum class Block { GraphicControl, PlainText, Comment, Application, Image, Trailer, None };

Block BlockAt(GifBytes data, std::size_t at) {
    if (at >= data.size()) {
        return Block::None;
    }
    if (data[at] == ',') {
        return Block::Image;
    }
    if (data[at] == ';') {
        return Block::Trailer;
    }
    if (data[at] != '!' || at + 1 >= data.size()) {
        return Block::None;
    }
    switch (data[at + 1]) {
        case 0xF9:
            return Block::GraphicControl;
        case 0x01:
            return Block::PlainText;
        case 0xFE:
            return Block::Comment;
        case 0xFF:
            return Block::Application;
        default:
            return Block::None;
    }
}

int Word(GifBytes data, std::size_t at) {
    return data[at] | (data[at + 1] << 8);
}

// End of the data sub-blocks starting at `at` (after their terminating zero length byte), or
// nothing when they run past the data.
std::optional<std::size_t> SkipSubBlocks(GifBytes data, std::size_t at) {
    while (at < data.size()) {
        const std::size_t length = data[at];
        ++at;
        if (length == 0) {
            return at;
        }
        if (length > data.size() - at) {
            return std::nullopt;
        }
        at += length;
    }
    return std::nullopt;
}

// End of the block of this kind at `at`, or nothing when it would end past the data.
std::optional<std::size_t> BlockEnd(GifBytes data, std::size_t at, Block kind) {
    auto fixed = [&](std::size_t length) -> std::optional<std::size_t> {
        if (length > data.size() - at) {
            return std::nullopt;
        }
        return at + length;
    };
    switch (kind) {
        case Block::GraphicControl:
            return fixed(8);
        case Block::PlainText:
            if (auto end = fixed(15)) {
                return SkipSubBlocks(data, *end);
            }
            return std::nullopt;
        case Block::Comment:
            if (auto end = fixed(2)) {
                return SkipSubBlocks(data, *end);
            }
            return std::nullopt;
        case Block::Application:
            if (auto end = fixed(14)) {
                return SkipSubBlocks(data, *end);
            }
            return std::nullopt;
        case Block::Image: {
            auto end = fixed(10);
            if (!end) {
                return std::nullopt;
            }
            const std::uint8_t packed = data[at + 9];
            std::size_t table = 0;
            if (packed & 0x80) {
                table = std::size_t{3} << ((packed & 7) + 1);
            }
            // The local colour table and the code size byte.
            if (table + 1 > data.size() - *end) {
                return std::nullopt;
            }
            return SkipSubBlocks(data, *end + table + 1);
        }
        case Block::Trailer:
            return fixed(1);
        case Block::None:
            break;
    }
    return std::nullopt;
}

}  // namespace

bool IsGif(GifBytes data) {
    return data.size() >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
}

std::optional<GifHeader> ReadGifHeader(GifBytes data) {
    if (!IsGif(data) || data.size() < 13) {
        return std::nullopt;
    }
    GifHeader header;
    header.width = Word(data, 6);
    header.height = Word(data, 8);
    const std::uint8_t packed = data[10];
    if (packed & 0x80) {
        header.colourTableBytes = std::size_t{3} << ((packed & 7) + 1);
        if (header.colourTableBytes > data.size() - 13) {
            return std::nullopt;
        }
        const std::size_t entry = 13 + std::size_t{3} * data[11];
        if (entry + 3 <= 13 + header.colourTableBytes) {
            header.background = (std::uint32_t{data[entry]} << 16) |
                                (std::uint32_t{data[entry + 1]} << 8) | data[entry + 2];
        }
    }
    header.firstBlock = 13 + header.colourTableBytes;
    return header;
}

std::optional<GifGraphicBlock> NextGraphicBlock(GifBytes data, std::size_t& position) {
    std::size_t at = position;
    GifGraphicBlock block;
    bool control = false;
    for (;;) {
        const Block kind = BlockAt(data, at);
        if (kind == Block::None || kind == Block::Trailer) {
            return std::nullopt;
        }
        const auto end = BlockEnd(data, at, kind);
        if (!end) {
            return std::nullopt;
        }
        if (kind == Block::Application || kind == Block::Comment) {
            at = *end;
            continue;
        }
        if (kind == Block::GraphicControl) {
            // A later control extension belongs to the image after it, so the block starts
            // again there.
            block.begin = at;
            block.delay = Word(data, at + 4);
            block.disposal = (data[at + 3] >> 2) & 7;
            control = true;
            at = *end;
            continue;
        }
        if (!control) {
            block.begin = at;
        }
        if (kind == Block::Image) {
            block.left = Word(data, at + 1);
            block.top = Word(data, at + 3);
            block.width = Word(data, at + 5);
            block.height = Word(data, at + 7);
            if (data[at + 9] & 0x80) {
                block.localColourTableBytes = std::size_t{3} << ((data[at + 9] & 7) + 1);
            }
        }
        block.end = *end;
        position = *end;
        return block;
    }
}

std::vector<GifGraphicBlock> GifGraphicBlocks(GifBytes data, const GifHeader& header) {
    std::vector<GifGraphicBlock> blocks;
    std::size_t position = header.firstBlock;
    while (auto block = NextGraphicBlock(data, position)) {
        blocks.push_back(*block);
    }
    return blocks;
}

std::vector<std::uint8_t> ExtractGifFrame(GifBytes data, const GifHeader& header,
                                          const GifGraphicBlock& block) {
    std::vector<std::uint8_t> frame;
    if (header.firstBlock > data.size() || block.begin > block.end || block.end > data.size()) {
        return frame;
    }
    frame.reserve(header.firstBlock + (block.end - block.begin) + 1);
    frame.insert(frame.end(), data.begin(), data.begin() + static_cast<long>(header.firstBlock));
    frame.insert(frame.end(), data.begin() + static_cast<long>(block.begin),
                 data.begin() + static_cast<long>(block.end));
    frame.push_back(';');
    return frame;
}

std::chrono::milliseconds FrameDuration(int delay) {
    const auto hundredths = static_cast<std::uint32_t>(delay);
    if (hundredths > 4) {
        return std::chrono::milliseconds(std::int64_t{hundredths} * 10);
    }
    return std::chrono::milliseconds(100);
}

}  // namespace vorn
