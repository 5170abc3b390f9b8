#pragma once

#include "logging/CHtmlTokenizer.h"

namespace Kavro::Utilities::XML {

class CHtmlParser : public CHtmlTokenizer {
public:
    using CHtmlTokenizer::CHtmlTokenizer;
};

}  // namespace Kavro::Utilities::XML
