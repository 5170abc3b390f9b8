#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "widgets/FramePlayer.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
constexpr std::uint32_t kMenu = 0x101010, kFace = 0xEEEEEE;

DecodedFrame Solid(int left, int width, std::uint32_t colour, int disposal, int delay = 1) {
    DecodedFrame frame;
    frame.left = left;
    frame.width = width;
    frame.height = 1;
    frame.delay = delay;
    frame.disposal = disposal;
    for (int i = 0; i < width; ++i) {
        frame.rgb.push_back(static_cast<std::uint8_t>(colour >> 16));
        frame.rgb.push_back(static_cast<std::uint8_t>(colour >> 8));
        frame.rgb.push_back(static_cast<std::uint8_t>(colour));
    }
    return frame;
}

// Records the canvas after every frame drawn.
struct Recorder {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<std::uint32_t>> rows;
    FramePlayer* player = nullptr;

    void Drawn() {
        const CanvasImage image = player->Snapshot();
        std::vector<std::uint32_t> row;
        for (int x = 0; x < image.width; ++x) {
            row.push_back(image.Pixel(x, 0));
        }
        std::lock_guard lock(mutex);
        rows.push_back(row);
        changed.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, [&] { return rows.size() >= count; });
    }
};

TEST(FramePlayer, DisposalMethodsAndTheClearingBetweenRounds) {
    Recorder recorder;
    FramePlayer player([&] { recorder.Drawn(); });
    recorder.player = &player;
    DecodedFrame masked = Solid(1, 2, kBlue, 0);
    masked.alpha = {255, 0};  // the second pixel is transparent
    player.Load({Solid(0, 2, kRed, 3), Solid(2, 2, kGreen, 2), masked}, 4, 1, kMenu, kFace);
    player.Start();
    EXPECT_TRUE(player.IsRunning());
    ASSERT_TRUE(recorder.WaitFor(5));
    player.Halt();
    EXPECT_FALSE(player.IsRunning());
    using Row = std::vector<std::uint32_t>;
    // 3: what lay under the red frame comes back; 2: the green frame's place becomes the
    // background; after the last frame everything does.
    EXPECT_EQ(recorder.rows[0], (Row{kRed, kRed, kMenu, kMenu}));
    EXPECT_EQ(recorder.rows[1], (Row{kMenu, kMenu, kGreen, kGreen}));
    EXPECT_EQ(recorder.rows[2], (Row{kMenu, kBlue, kFace, kFace}));
    EXPECT_EQ(recorder.rows[3], (Row{kRed, kRed, kFace, kFace}));
    EXPECT_EQ(recorder.rows[4], (Row{kFace, kFace, kGreen, kGreen}));
    // Halted, the canvas keeps its last image.
    EXPECT_EQ(player.Snapshot().Pixel(0, 0), recorder.rows.back()[0]);
}

TEST(FramePlayer, HaltingEndsAWaitAtOnceAndOneFrameNeedsNoThread) {
    Recorder recorder;
    FramePlayer player([&] { recorder.Drawn(); });
    recorder.player = &player;
    // No delay: the first frame would stay for days.
    player.Load({Solid(0, 1, kRed, 0, -1), Solid(0, 1, kBlue, 0, -1)}, 1, 1, kMenu, kFace);
    player.Start();
    ASSERT_TRUE(recorder.WaitFor(1));
    const auto before = std::chrono::steady_clock::now();
    player.Halt();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);  // only a hang fails
    EXPECT_EQ(recorder.rows.size(), 1u);

    // Started again after a halt, it plays again; loading anew stops it first.
    player.Start();
    EXPECT_TRUE(player.IsRunning());
    ASSERT_TRUE(recorder.WaitFor(2));
    player.Load({Solid(0, 1, kGreen, 0)}, 1, 1, kMenu, kFace);
    EXPECT_FALSE(player.IsRunning());
    const std::size_t drawn = recorder.rows.size();
    player.Start();
    EXPECT_FALSE(player.IsRunning());
    EXPECT_EQ(recorder.rows.size(), drawn + 1);
    EXPECT_EQ(player.Snapshot().Pixel(0, 0), kGreen);

    player.Release();
    EXPECT_FALSE(player.IsLoaded());
    player.Start();  // nothing loaded: nothing happens
    EXPECT_EQ(player.Snapshot().width, 0);
}

}  // namespace
}  // namespace vorn
