#pragma once

#include <wx/font.h>

namespace vorn::platform {

// The font whose lines are at most `height` pixels high on the screen: the largest whole point
// size that fits, as the toolkit's own pixel-size fonts choose it. The toolkit halves and
// doubles its way there from 10 points, loading five or six sizes of the face; this starts from
// the size the screen's resolution suggests and usually loads two.
wxFont PixelHeightFont(wxFontInfo info, int height);

}  // namespace vorn::platform
