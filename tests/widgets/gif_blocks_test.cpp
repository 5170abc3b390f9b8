#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "GifTestFiles.h"
#include "widgets/GifBlocks.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;

TEST(GifBlocks, FramesOfARealAnimation) {
    const auto& data = test::ThreeFrames();
    const auto header = ReadGifHeader(data);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 10);
    EXPECT_EQ(header->height, 6);
    EXPECT_EQ(header->firstBlock, 13 + header->colourTableBytes);

    const auto blocks = GifGraphicBlocks(data, *header);
    ASSERT_EQ(blocks.size(), 3u);
    const int delays[] = {3, 50, 7};
    const int disposals[] = {2, 3, 1};
    bool localTables = false;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(blocks[i].delay, delays[i]);
        EXPECT_EQ(blocks[i].disposal, disposals[i]);
        EXPECT_EQ(blocks[i].width, 10);
        EXPECT_EQ(blocks[i].height, 6);
        EXPECT_EQ(data[blocks[i].begin], '!');
        localTables = localTables || blocks[i].localColourTableBytes > 0;

        // A frame cut out is a GIF of its own with exactly that one block.
        const auto frame = ExtractGifFrame(data, *header, blocks[i]);
        EXPECT_EQ(frame.back(), ';');
        const auto frameHeader = ReadGifHeader(frame);
        ASSERT_TRUE(frameHeader);
        const auto inner = GifGraphicBlocks(frame, *frameHeader);
        ASSERT_EQ(inner.size(), 1u);
        EXPECT_EQ(inner[0].delay, delays[i]);
        EXPECT_EQ(inner[0].end, frame.size() - 1);
    }
    // Different colours in each frame make the encoder write local colour tables, which the
    // walk must step over to find the next frame.
    EXPECT_TRUE(localTables);
    // The encoder puts the comment and the looping extension between the first control
    // extension and its image: the frame runs from the one to the end of the other.
    const std::string first(data.begin() + static_cast<long>(blocks[0].begin),
                            data.begin() + static_cast<long>(blocks[0].end));
    EXPECT_EQ(first.substr(8, 2), "!\xFE");
    EXPECT_NE(first.find("NETSCAPE2.0"), std::string::npos);

    const auto one = test::PictureFile("one.gif");
    const auto oneHeader = ReadGifHeader(one);
    ASSERT_TRUE(oneHeader);
    EXPECT_EQ(GifGraphicBlocks(one, *oneHeader).size(), 1u);
}

TEST(GifBlocks, TruncatedDataYieldsTheFramesThatAreWhole) {
    const auto& data = test::ThreeFrames();
    const auto full = GifGraphicBlocks(data, *ReadGifHeader(data));
    ASSERT_EQ(full.size(), 3u);
    for (std::size_t cut = 0; cut < data.size(); ++cut) {
        // An exact-size copy, so that AddressSanitizer sees any read past the end.
        const std::vector<std::uint8_t> part(data.begin(), data.begin() + static_cast<long>(cut));
        const auto header = ReadGifHeader(part);
        if (!header) {
            EXPECT_LT(cut, full.front().begin) << cut;
            continue;
        }
        std::size_t whole = 0;
        for (const auto& block : full) {
            whole += block.end <= cut ? 1 : 0;
        }
        EXPECT_EQ(GifGraphicBlocks(part, *header).size(), whole) << cut;
    }
}

TEST(GifBlocks, HandMadeBlocks) {
    // 2 x 1, two-entry colour table whose entry 1 is the background.
    const std::vector<std::uint8_t> head = {'G',  'I', 'F', '8', '9', 'a', 2,    0,    1,   0,
                                            0x80, 1,   0,   0,   0,   0,   0x12, 0x34, 0x56};
    const std::vector<std::uint8_t> control = {0x21, 0xF9, 4, 0x09, 50, 0, 0, 0};
    const std::vector<std::uint8_t> comment = {0x21, 0xFE, 3, 'a', 'b', 'c', 0};
    const std::vector<std::uint8_t> image = {0x2C, 1, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x44, 1, 0};
    auto join = [](std::initializer_list<std::vector<std::uint8_t>> parts) {
        std::vector<std::uint8_t> all;
        for (const auto& p : parts) {
            all.insert(all.end(), p.begin(), p.end());
        }
        return all;
    };
    const std::vector<std::uint8_t> trailer = {';'};

    const auto header = ReadGifHeader(head);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->background, 0x123456u);
    EXPECT_EQ(header->colourTableBytes, 6u);

    // A comment between the control extension and its image belongs to the frame.
    const auto framed = join({head, control, comment, image, trailer});
    auto blocks = GifGraphicBlocks(framed, *header);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].begin, head.size());
    EXPECT_EQ(blocks[0].end, framed.size() - 1);
    EXPECT_EQ(blocks[0].delay, 50);
    EXPECT_EQ(blocks[0].disposal, 2);
    EXPECT_EQ(blocks[0].left, 1);
    EXPECT_EQ(ExtractGifFrame(framed, *header, blocks[0]), framed);

    // An image without a control extension has no delay.
    const auto bare = join({head, comment, image, image, trailer});
    blocks = GifGraphicBlocks(bare, *header);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1].delay, -1);
    EXPECT_EQ(blocks[1].begin, head.size() + comment.size() + image.size());

    // A control extension followed by the trailer or by garbage is no frame.
    EXPECT_TRUE(GifGraphicBlocks(join({head, control, trailer}), *header).empty());
    EXPECT_TRUE(GifGraphicBlocks(join({head, control, {0x21, 0x02}}), *header).empty());
    // A local colour table longer than the data.
    EXPECT_TRUE(
        GifGraphicBlocks(join({head, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87, 2}}), *header).empty());

    // Not a GIF at all.
    const auto png = test::PictureFile("lime.png");
    EXPECT_FALSE(IsGif(png));
    EXPECT_FALSE(ReadGifHeader(png));
    EXPECT_FALSE(ReadGifHeader(std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a'}));
}

TEST(GifBlocks, FrameDurations) {
    const std::pair<int, std::chrono::milliseconds> cases[] = {
        {3, 100ms}, {50, 500ms}, {0, 100ms}, {4, 100ms}, {5, 50ms}, {-5, 42949672910ms}};
    for (const auto& [delay, shown] : cases) {
        EXPECT_EQ(FrameDuration(delay), shown) << delay;
    }
    // Without a delay a frame stays until the animation is halted.
    EXPECT_GT(FrameDuration(-1), std::chrono::hours(24 * 400));
}

}  // namespace
}  // namespace vorn
