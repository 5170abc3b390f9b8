#include "widgets/ui/CAnimatedPicture.h"

#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include "widgets/GifBlocks.h"

namespace vorn {

namespace {

// The worker only counts the frames it drew; the UI thread looks at the count this often while
// the animation plays and repaints when it moved.
constexpr int kRepaintCheckMs = 20;

// Sizes are read from the file; a picture beyond this is refused rather than allocated.
constexpr int kMaxPictureSide = 4096;

bool IsDrawableSize(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

void EnsureImageHandlers() {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_GIF)) {
        wxInitAllImageHandlers();
    }
}

std::optional<wxImage> Decode(const void* data, std::size_t size, wxBitmapType type) {
    EnsureImageHandlers();
    wxMemoryInputStream stream(data, size);
    // A picture that does not decode is reported by the result, not by a log window.
    wxLogNull quiet;
    wxImage image;
    if (!image.LoadFile(stream, type) || !image.IsOk()) {
        return std::nullopt;
    }
    return image;
}

DecodedFrame FrameFrom(const wxImage& image, int left, int top) {
    DecodedFrame frame;
    frame.left = left;
    frame.top = top;
    frame.width = image.GetWidth();
    frame.height = image.GetHeight();
    const std::size_t pixels =
        static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
    frame.rgb.assign(image.GetData(), image.GetData() + pixels * 3);
    if (image.HasAlpha()) {
        frame.alpha.assign(image.GetAlpha(), image.GetAlpha() + pixels);
    } else if (image.HasMask()) {
        frame.alpha.resize(pixels);
        const unsigned char r = image.GetMaskRed(), g = image.GetMaskGreen(),
                            b = image.GetMaskBlue();
        for (std::size_t i = 0; i < pixels; ++i) {
            const bool hole =
                frame.rgb[i * 3] == r && frame.rgb[i * 3 + 1] == g && frame.rgb[i * 3 + 2] == b;
            frame.alpha[i] = hole ? 0 : 255;
        }
    }
    return frame;
}

std::uint32_t Rgb(const wxColour& colour) {
    return (std::uint32_t{colour.Red()} << 16) | (std::uint32_t{colour.Green()} << 8) |
           colour.Blue();
}

}  // namespace

CAnimatedPicture::CAnimatedPicture(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                   const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE),
      player_([this] { drawn_.fetch_add(1); }),
      repaintTimer_(this) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CAnimatedPicture::OnPaint, this);
    Bind(wxEVT_TIMER, &CAnimatedPicture::OnRepaintTimer, this);
    Bind(wxEVT_DESTROY, &CAnimatedPicture::OnDestroy, this);
}

CAnimatedPicture::~CAnimatedPicture() {
    repaintTimer_.Stop();
    player_.Halt();
}

bool CAnimatedPicture::LoadImageData(const void* data, std::size_t size) {
    Release();
    if (!data || size == 0) {
        return false;
    }
    const GifBytes bytes(static_cast<const std::uint8_t*>(data), size);
    if (!IsGif(bytes)) {
        const auto image = Decode(data, size, wxBITMAP_TYPE_ANY);
        if (!image) {
            return false;
        }
        std::vector<DecodedFrame> frames{FrameFrom(*image, 0, 0)};
        return Prepare(std::move(frames), image->GetWidth(), image->GetHeight());
    }
    const auto header = ReadGifHeader(bytes);
    if (!header) {
        return false;
    }
    const auto blocks = GifGraphicBlocks(bytes, *header);
    std::vector<DecodedFrame> frames;
    for (const GifGraphicBlock& block : blocks) {
        // An empty frame shows nothing (and the decoder cannot take one); a huge one is no
        // busy indicator.
        if (!IsDrawableSize(block.width, block.height)) {
            continue;
        }
        const std::vector<std::uint8_t> single =
            blocks.size() == 1 ? std::vector<std::uint8_t>(bytes.begin(), bytes.end())
                               : ExtractGifFrame(bytes, *header, block);
        const auto image = Decode(single.data(), single.size(), wxBITMAP_TYPE_GIF);
        if (!image) {
            continue;  // a frame that does not decode is left out
        }
        wxImage picture = *image;
        // The decoder gives the frame at its own size; it is drawn with the size its
        // descriptor gives.
        if (block.width > 0 && block.height > 0 &&
            (picture.GetWidth() != block.width || picture.GetHeight() != block.height)) {
            picture.Rescale(block.width, block.height);
        }
        DecodedFrame frame = FrameFrom(picture, block.left, block.top);
        frame.delay = block.delay;
        frame.disposal = block.disposal;
        frames.push_back(std::move(frame));
    }
    if (frames.empty()) {
        return false;
    }
    return Prepare(std::move(frames), header->width, header->height);
}

bool CAnimatedPicture::LoadGifResource() {
    return LoadImageData(BusyGifData(), BusyGifSize());
}

bool CAnimatedPicture::Prepare(std::vector<DecodedFrame> frames, int width, int height) {
    if (!IsDrawableSize(width, height)) {
        return false;
    }
    frameCount_ = frames.size();
    pictureSize_ = wxSize(width, height);
    // The canvas is cleared with the colour of the window it sits in, so that transparent parts
    // of the picture blend in (GTK themes give menus and buttons other colours than dialogs).
    const std::uint32_t background = Rgb(GetBackgroundColour());
    player_.Load(std::move(frames), width, height, background, background);
    SetMinSize(pictureSize_);
    SetSize(pictureSize_);
    InvalidateBestSize();
    Refresh(false);
    return true;
}

void CAnimatedPicture::Start() {
    if (!player_.IsLoaded()) {
        return;
    }
    player_.Start();
    if (player_.IsRunning()) {
        repaintTimer_.Start(kRepaintCheckMs);
    }
    Refresh(false);
}

void CAnimatedPicture::Halt() {
    repaintTimer_.Stop();
    player_.Halt();
}

void CAnimatedPicture::Release() {
    Halt();
    player_.Release();
    frameCount_ = 0;
    pictureSize_ = wxSize();
    Refresh(false);
}

wxSize CAnimatedPicture::DoGetBestSize() const {
    return pictureSize_.IsFullySpecified() && pictureSize_ != wxSize() ? pictureSize_
                                                                       : wxSize(16, 16);
}

void CAnimatedPicture::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    CanvasImage canvas = player_.Snapshot();
    if (canvas.width <= 0 || canvas.height <= 0) {
        return;
    }
    wxImage image(canvas.width, canvas.height, canvas.rgb.data(), true);
    wxRect part(0, 0, canvas.width, canvas.height);
    if (!paintRect_.IsEmpty()) {
        part.Intersect(paintRect_);
        if (part.IsEmpty()) {
            return;
        }
        image = image.GetSubImage(part);
    }
    dc.DrawBitmap(wxBitmap(image), 0, 0);
}

void CAnimatedPicture::OnRepaintTimer(wxTimerEvent&) {
    const std::uint64_t drawn = drawn_.load();
    if (drawn != painted_) {
        painted_ = drawn;
        Refresh(false);
    }
}

void CAnimatedPicture::OnDestroy(wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == this) {
        Halt();
    }
    event.Skip();
}

}  // namespace vorn
