#include "widgets/FramePlayer.h"

#include <algorithm>

#include "widgets/GifBlocks.h"

namespace vorn {

std::uint32_t CanvasImage::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0;
    }
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)) *
                           3;
    return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

FramePlayer::FramePlayer(std::function<void()> onDrawn) : onDrawn_(std::move(onDrawn)) {}

FramePlayer::~FramePlayer() {
    Halt();
}

void FramePlayer::Load(std::vector<DecodedFrame> frames, int width, int height, std::uint32_t fill,
                       std::uint32_t background) {
    Release();
    std::lock_guard lock(mutex_);
    frames_ = std::move(frames);
    background_ = background;
    canvas_.width = std::max(width, 0);
    canvas_.height = std::max(height, 0);
    canvas_.rgb.assign(
        static_cast<std::size_t>(canvas_.width) * static_cast<std::size_t>(canvas_.height) * 3, 0);
    loaded_ = true;
    FillRect(0, 0, canvas_.width, canvas_.height, fill);
}

void FramePlayer::Start() {
    {
        std::lock_guard lock(mutex_);
        if (!loaded_ || frames_.empty() || running_) {
            return;
        }
        if (frames_.size() == 1) {
            Render(frames_.front());
        } else {
            exit_ = false;
            running_ = true;
        }
    }
    if (IsRunning()) {
        thread_ = std::thread([this] { Run(); });
    } else if (onDrawn_) {
        onDrawn_();
    }
}

void FramePlayer::Halt() {
    {
        std::lock_guard lock(mutex_);
        exit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    running_ = false;
    exit_ = false;
}

void FramePlayer::Release() {
    Halt();
    std::lock_guard lock(mutex_);
    frames_.clear();
    canvas_ = {};
    saved_.reset();
    loaded_ = false;
}

bool FramePlayer::IsRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

bool FramePlayer::IsLoaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

CanvasImage FramePlayer::Snapshot() const {
    std::lock_guard lock(mutex_);
    return canvas_;
}

void FramePlayer::Run() {
    std::unique_lock lock(mutex_);
    std::size_t current = 0;
    Dispose(frames_[current]);
    while (!exit_) {
        const DecodedFrame& frame = frames_[current];
        if (frame.disposal == 3) {
            CanvasImage area;
            area.width = frame.width;
            area.height = frame.height;
            area.rgb.resize(static_cast<std::size_t>(std::max(frame.width, 0)) *
                            static_cast<std::size_t>(std::max(frame.height, 0)) * 3);
            for (int y = 0; y < frame.height; ++y) {
                for (int x = 0; x < frame.width; ++x) {
                    const std::uint32_t pixel = canvas_.Pixel(frame.left + x, frame.top + y);
                    const std::size_t at =
                        (static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                         static_cast<std::size_t>(x)) *
                        3;
                    area.rgb[at] = static_cast<std::uint8_t>(pixel >> 16);
                    area.rgb[at + 1] = static_cast<std::uint8_t>(pixel >> 8);
                    area.rgb[at + 2] = static_cast<std::uint8_t>(pixel);
                }
            }
            saved_ = std::move(area);
        }
        Render(frame);
        if (onDrawn_) {
            lock.unlock();
            onDrawn_();
            lock.lock();
        }
        if (exit_) {
            break;
        }
        wake_.wait_for(lock, FrameDuration(frame.delay), [this] { return exit_; });
        if (exit_) {
            break;
        }
        Dispose(frame);
        if (++current == frames_.size()) {
            current = 0;
            FillRect(0, 0, canvas_.width, canvas_.height, background_);
        }
    }
}

void FramePlayer::Render(const DecodedFrame& frame) {
    const std::size_t pixels =
        static_cast<std::size_t>(std::max(frame.width, 0)) * std::max(frame.height, 0);
    if (frame.rgb.size() < pixels * 3) {
        return;
    }
    const bool masked = frame.alpha.size() >= pixels;
    for (int y = 0; y < frame.height; ++y) {
        const int cy = frame.top + y;
        if (cy < 0 || cy >= canvas_.height) {
            continue;
        }
        for (int x = 0; x < frame.width; ++x) {
            const int cx = frame.left + x;
            if (cx < 0 || cx >= canvas_.width) {
                continue;
            }
            const std::size_t from =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                static_cast<std::size_t>(x);
            // GIF pixels are either transparent or opaque.
            if (masked && frame.alpha[from] < 128) {
                continue;
            }
            const std::size_t to =
                (static_cast<std::size_t>(cy) * static_cast<std::size_t>(canvas_.width) +
                 static_cast<std::size_t>(cx)) *
                3;
            std::copy_n(frame.rgb.begin() + static_cast<long>(from * 3), 3,
                        canvas_.rgb.begin() + static_cast<long>(to));
        }
    }
}

void FramePlayer::Dispose(const DecodedFrame& frame) {
    if (frame.disposal == 2) {
        FillRect(frame.left, frame.top, frame.width, frame.height, background_);
    } else if (frame.disposal == 3 && saved_) {
        DecodedFrame under;
        under.left = frame.left;
        under.top = frame.top;
        under.width = saved_->width;
        under.height = saved_->height;
        under.rgb = std::move(saved_->rgb);
        saved_.reset();
        Render(under);
    }
}

void FramePlayer::FillRect(int left, int top, int width, int height, std::uint32_t colour) {
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + width, canvas_.width);
    const int y1 = std::min(top + height, canvas_.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::size_t at =
                (static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas_.width) +
                 static_cast<std::size_t>(x)) *
                3;
            canvas_.rgb[at] = static_cast<std::uint8_t>(colour >> 16);
            canvas_.rgb[at + 1] = static_cast<std::uint8_t>(colour >> 8);
            canvas_.rgb[at + 2] = static_cast<std::uint8_t>(colour);
        }
    }
}

}  // namespace vorn
