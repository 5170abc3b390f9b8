#include "app/ui/ProgramIcon.h"

#include <algorithm>

#include <wx/bitmap.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include "app/ui/ProgramIconImages.h"

namespace vorn {

namespace {

wxIconBundle Decode() {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) {
        wxImage::AddHandler(new wxPNGHandler);
    }
    wxIconBundle icons;
    for (const ProgramIconImage& png : ProgramIconPngs()) {
        wxMemoryInputStream in(png.data, png.size);
        const wxImage image(in, wxBITMAP_TYPE_PNG);
        if (image.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(image));
            icons.AddIcon(icon);
        }
    }
    return icons;
}

// Paints an orange square with a dark edge over the upper right corner, three eighths of the side.
wxIcon WithTaskMark(const wxIcon& icon) {
    wxImage image = wxBitmap(icon).ConvertToImage();
    if (!image.HasAlpha()) {
        image.InitAlpha();
    }
    const int side = std::max(4, image.GetWidth() * 3 / 8);
    const int edge = std::max(1, side / 6);
    const int left = image.GetWidth() - side;
    for (int y = 0; y < side && y < image.GetHeight(); ++y) {
        for (int x = left; x < image.GetWidth(); ++x) {
            const bool border =
                y < edge || y >= side - edge || x < left + edge || x >= image.GetWidth() - edge;
            if (border) {
                image.SetRGB(x, y, 0x8A, 0x3B, 0x00);
            } else {
                image.SetRGB(x, y, 0xFF, 0x8C, 0x1A);
            }
            image.SetAlpha(x, y, 0xFF);
        }
    }
    wxIcon marked;
    marked.CopyFromBitmap(wxBitmap(image));
    return marked;
}

}  // namespace

const wxIconBundle& ProgramIcons() {
    static const wxIconBundle icons = Decode();
    return icons;
}

const wxIconBundle& ProgramTaskIcons() {
    static const wxIconBundle icons = [] {
        wxIconBundle marked;
        const wxIconBundle& plain = ProgramIcons();
        for (size_t i = 0; i < plain.GetIconCount(); ++i) {
            marked.AddIcon(WithTaskMark(plain.GetIconByIndex(i)));
        }
        return marked;
    }();
    return icons;
}

}  // namespace vorn
