#pragma once

// Plays decoded frames of an animation into a canvas on a worker thread: disposal methods,
// the time each frame stays, and the clearing between rounds. Nothing here draws on screen;
// the window copies the canvas when it paints.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vorn {

// One frame as the decoder gave it, placed on the logical screen.
struct DecodedFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delay = -1;    // hundredths of a second; -1: none
    int disposal = 0;  // 2: restore to background, 3: restore to what lay under the frame
    std::vector<std::uint8_t> rgb;    // width * height * 3
    std::vector<std::uint8_t> alpha;  // width * height, or empty when every pixel is opaque
};

// An RGB picture of the logical screen, 3 bytes a pixel, rows top to bottom.
struct CanvasImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    std::uint32_t Pixel(int x, int y) const;  // 0xRRGGBB; 0 outside
};

class FramePlayer {
public:
    // onDrawn runs on the worker thread after each frame was drawn into the canvas (and once on
    // the caller's thread when a still picture is shown); it must only ask for a repaint.
    explicit FramePlayer(std::function<void()> onDrawn);
    ~FramePlayer();
    FramePlayer(const FramePlayer&) = delete;
    FramePlayer& operator=(const FramePlayer&) = delete;

    // Halts, then takes the frames and a canvas of width x height filled with `fill`;
    // `background` is what disposal 2 and the start of each round paint with.
    void Load(std::vector<DecodedFrame> frames, int width, int height, std::uint32_t fill,
              std::uint32_t background);
    // Several frames: starts the worker (unless it runs). One frame: draws it once. Nothing
    // before a Load.
    void Start();
    // Stops the worker and waits for it; the canvas keeps the last image. Returns at once when
    // it was waiting for a frame's time to pass.
    void Halt();
    // Halts and drops the frames and the canvas.
    void Release();

    bool IsRunning() const;
    bool IsLoaded() const;
    CanvasImage Snapshot() const;

private:
    void Run();
    void Render(const DecodedFrame& frame);
    void Dispose(const DecodedFrame& frame);
    void FillRect(int left, int top, int width, int height, std::uint32_t colour);

    std::function<void()> onDrawn_;
    std::vector<DecodedFrame> frames_;
    std::uint32_t background_ = 0xFFFFFF;
    bool loaded_ = false;

    mutable std::mutex mutex_;  // the canvas, the save area and the flags below
    std::condition_variable wake_;
    bool exit_ = false;
    bool running_ = false;
    CanvasImage canvas_;
    std::optional<CanvasImage> saved_;  // what lay under a frame with disposal 3
    std::thread thread_;
};

}  // namespace vorn
