#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <set>
#include <vector>

#include <wx/frame.h>

#include "GifTestFiles.h"
#include "support/UiPump.h"
#include "widgets/ui/CAnimatedPicture.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;

class AnimatedPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame_ = new wxFrame(nullptr, wxID_ANY, "picture");
        picture_ = new CAnimatedPicture(frame_, 1056);
        frame_->Show();
    }
    void TearDown() override {
        frame_->Destroy();
        test::Pump(20ms);
    }
    bool Load(const std::vector<std::uint8_t>& bytes) {
        return picture_->LoadImageData(bytes.data(), bytes.size());
    }

    wxFrame* frame_ = nullptr;
    CAnimatedPicture* picture_ = nullptr;
};

TEST_F(AnimatedPictureTest, TheBusyIndicatorPlaysTenFramesUntilHalted) {
    ASSERT_TRUE(picture_->LoadGifResource());
    EXPECT_EQ(picture_->FrameCount(), 10u);
    EXPECT_EQ(picture_->PictureSize(), wxSize(100, 40));
    EXPECT_EQ(picture_->GetSize(), wxSize(100, 40));
    picture_->Start();
    EXPECT_TRUE(picture_->IsPlaying());
    // The crest of the wave moves: the canvas goes through several different pictures.
    std::set<std::vector<std::uint8_t>> seen;
    test::PumpUntil([&] {
        seen.insert(picture_->Canvas().rgb);
        return seen.size() >= 4;
    });
    EXPECT_GE(seen.size(), 4u);
    const auto before = std::chrono::steady_clock::now();
    picture_->Halt();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);  // only a hang fails
    EXPECT_FALSE(picture_->IsPlaying());
    const auto last = picture_->Canvas().rgb;
    test::Pump(200ms);
    EXPECT_EQ(picture_->Canvas().rgb, last);
    // Loading again stops and replaces what played.
    picture_->Start();
    ASSERT_TRUE(Load(test::ThreeFrames()));
    EXPECT_FALSE(picture_->IsPlaying());
    EXPECT_EQ(picture_->FrameCount(), 3u);
}

TEST_F(AnimatedPictureTest, FramesArePlacedWhereTheirDescriptorsSay) {
    // A white 20 x 10 frame, then a red 4 x 4 one at (8, 3).
    ASSERT_TRUE(Load(test::PictureFile("placed.gif")));
    ASSERT_EQ(picture_->FrameCount(), 2u);
    picture_->Start();
    ASSERT_TRUE(test::PumpUntil([&] { return picture_->Canvas().Pixel(9, 4) == 0xFF0000; }));
    const CanvasImage canvas = picture_->Canvas();
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(12, 4), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(11, 6), 0xFF0000u);
    picture_->Halt();
}

TEST_F(AnimatedPictureTest, StillPicturesAndPicturesThatDoNotDecode) {
    // One frame: shown at once, without a thread.
    ASSERT_TRUE(Load(test::PictureFile("one.gif")));
    picture_->Start();
    EXPECT_FALSE(picture_->IsPlaying());
    EXPECT_EQ(picture_->Canvas().Pixel(5, 2), 0x0000FFu);

    // Not a GIF: still, at its own size.
    ASSERT_TRUE(Load(test::PictureFile("lime.png")));
    EXPECT_EQ(picture_->GetSize(), wxSize(9, 7));
    picture_->Start();
    EXPECT_FALSE(picture_->IsPlaying());
    EXPECT_EQ(picture_->Canvas().Pixel(8, 6), 0x00FF00u);

    // Frames that do not decode (code size 0), an empty one and one far too big: nothing to
    // show, and nothing allocated for the giant.
    const std::vector<std::uint8_t> head = {'G',  'I', 'F', '8', '9', 'a', 2,   0,   1,  0,
                                            0x80, 0,   0,   0,   0,   0,   255, 255, 255};
    std::vector<std::uint8_t> broken = head;
    for (const std::vector<std::uint8_t>& bad : {
             std::vector<std::uint8_t>{0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 0, 1, 0xFF, 0},
             std::vector<std::uint8_t>{0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 0xFF, 0},
             std::vector<std::uint8_t>{0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 1, 0, 0},
         }) {
        broken.insert(broken.end(), bad.begin(), bad.end());
    }
    broken.push_back(';');
    EXPECT_FALSE(Load(broken));
    EXPECT_EQ(picture_->FrameCount(), 0u);
    picture_->Start();
    EXPECT_FALSE(picture_->IsPlaying());
    const std::vector<std::uint8_t> noise = {'n', 'o', 't', ' ', 'a', 'n', 'y'};
    EXPECT_FALSE(Load(noise));
    // A logical screen of 65535 x 65535 would be a canvas of 12 GB.
    std::vector<std::uint8_t> giant = test::PictureFile("one.gif");
    giant[6] = giant[7] = giant[8] = giant[9] = 0xFF;
    EXPECT_FALSE(Load(giant));
}

}  // namespace
}  // namespace vorn
