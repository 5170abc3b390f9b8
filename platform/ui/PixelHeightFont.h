#pragma once

#include <wx/font.h>

class wxWindow;

namespace vorn::platform {

// The font whose lines are at most `height` pixels high on the screen: the largest whole point
// size that fits, as the toolkit's own pixel-size fonts choose it. The toolkit halves and
// doubles its way there from 10 points through a screen device context, loading five or six
// sizes of the face; this starts from the size the screen's resolution suggests, usually loads
// two, and measures with `window`'s own text layout, which the window needs anyway.
wxFont PixelHeightFont(const wxWindow& window, wxFontInfo info, int height);

}  // namespace vorn::platform
