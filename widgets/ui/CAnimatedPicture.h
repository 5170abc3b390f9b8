#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <wx/control.h>
#include <wx/timer.h>

#include "widgets/FramePlayer.h"

namespace vorn {

// A static picture that plays an animated GIF: the GIF is cut into single-frame GIFs, each
// decoded by wxWidgets, and a worker thread plays the frames into a canvas that the control
// paints. Any other picture wxWidgets can read is shown still at its own size. Used as the busy
// indicator of the scan session dialog.
class CAnimatedPicture : public wxControl {
public:
    CAnimatedPicture(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                     const wxSize& size = wxDefaultSize);
    ~CAnimatedPicture() override;

    // Replaces whatever the control held by the picture in these bytes (which stay the
    // caller's) and sizes the control to it. False when nothing could be decoded.
    bool LoadImageData(const void* data, std::size_t size);
    // Loads the program's own busy indicator.
    bool LoadGifResource();

    // Plays an animation (a still picture is drawn once); nothing before a successful load.
    void Start();
    // Stops the animation; the last image stays.
    void Halt();
    // Halts and drops the picture.
    void Release();

    // Part of the canvas to paint at the control's top-left corner; empty (the default) paints
    // all of it.
    void SetPaintRect(const wxRect& rect) { paintRect_ = rect; }

    bool IsPlaying() const { return player_.IsRunning(); }
    std::size_t FrameCount() const { return frameCount_; }
    wxSize PictureSize() const { return pictureSize_; }
    // A copy of what the control shows.
    CanvasImage Canvas() const { return player_.Snapshot(); }

    // The busy indicator's bytes.
    static const std::uint8_t* BusyGifData();
    static std::size_t BusyGifSize();

private:
    bool Prepare(std::vector<DecodedFrame> frames, int width, int height);
    wxSize DoGetBestSize() const override;
    void OnPaint(wxPaintEvent& event);
    void OnRepaintTimer(wxTimerEvent& event);
    void OnDestroy(wxWindowDestroyEvent& event);

    FramePlayer player_;
    std::atomic<std::uint64_t> drawn_{0};  // frames drawn by the worker so far
    std::uint64_t painted_ = 0;
    wxTimer repaintTimer_;
    wxSize pictureSize_;
    std::size_t frameCount_ = 0;
    wxRect paintRect_;
};

}  // namespace vorn
