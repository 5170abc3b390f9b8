#include "blacklist/Composer.h"

#include "platform/FileWrite.h"

namespace vorn::blacklist {

namespace {

void PutLe(std::string& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void SetLe32(std::string& image, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

bool IsContainer(std::uint8_t type) {
    return type >= kRootRecord && type <= kGroupSubRecord;
}

}  // namespace

bool HoldsLeadingBlockMarker(std::string_view utf8) {
    return utf8.find(kLeadingBlockMarker) != std::string_view::npos;
}

Composer::Composer(std::filesystem::path target) : target_(std::move(target)) {
    image_.reserve(kImageCapacity);
}

int Composer::AddRoot() {
    if (!image_.empty()) {
        return kComposeNoRoot;
    }
    return Append(kRootRecord, {}, "root");
}

int Composer::AddCurrency(std::string_view nameUtf8, std::string_view commentUtf8) {
    if (nameUtf8.size() > kMaxCurrencyBytes) {
        return kComposeTooLong;
    }
    if (HoldsLeadingBlockMarker(nameUtf8)) {
        return kComposeMarker;
    }
    std::string payload(nameUtf8);
    payload.push_back('\0');
    if (payload.size() % 2 != 0) {
        payload.push_back('\0');
    }
    return Append(kCurrencyRecord, payload, commentUtf8);
}

int Composer::AddNominal(std::uint32_t nominal, std::uint16_t year, std::uint8_t version,
                         std::string_view commentUtf8) {
    std::string payload;
    PutLe(payload, nominal, 4);
    PutLe(payload, year, 2);
    PutLe(payload, version, 1);
    payload.push_back('\0');
    return Append(kNominalRecord, payload, commentUtf8);
}

int Composer::AddSub(std::u16string_view text, std::string_view commentUtf8, std::uint8_t type) {
    if (type != kGroupSubRecord && type != kPlainSubRecord) {
        return kComposeBadType;
    }
    if (text.size() > kMaxSubUnits) {
        return kComposeTooLong;
    }
    std::string payload;
    for (const char16_t unit : text) {
        PutLe(payload, unit, 2);
    }
    PutLe(payload, 0, 2);
    return Append(type, payload, commentUtf8);
}

int Composer::AddEnd() {
    return Append(kEndRecord, {}, {});
}

int Composer::Append(std::uint8_t type, const std::string& payload, std::string_view name) {
    if (image_.empty() != (type == kRootRecord)) {
        return kComposeNoRoot;
    }
    if (type == kEndRecord && counter_ <= 0) {
        return kComposeBadEnd;
    }
    if (name.size() > kMaxCommentBytes) {
        return kComposeTooLong;
    }
    if (HoldsLeadingBlockMarker(name)) {
        return kComposeMarker;
    }
    if (previous_ == kPlainSubRecord && IsContainer(type)) {
        return kComposeLeafBeforeContainer;
    }
    if (IsContainer(type) && open_.size() >= kMaxOpenContainers) {
        return kComposeTooDeep;
    }
    const std::size_t nameLength = name.size() + 1;
    const std::size_t nameField = 1 + nameLength + (nameLength % 2 == 0 ? 1 : 0);
    const std::size_t size = 10 + payload.size() + nameField;
    if (image_.size() + size > kImageCapacity) {
        return kComposeFull;
    }

    const std::size_t position = image_.size();
    PutLe(image_, size, 4);
    PutLe(image_, 0, 4);
    image_.push_back(static_cast<char>(type));
    image_.push_back(static_cast<char>(payload.size()));
    image_ += payload;
    image_.push_back(static_cast<char>(nameLength));
    image_ += name;
    image_.push_back('\0');
    if (nameLength % 2 == 0) {
        image_.push_back('\0');
    }

    const bool afterEnd = previous_ == kEndRecord;
    switch (type) {
        case kCurrencyRecord:
        case kNominalRecord:
        case kGroupSubRecord:
            if (!afterEnd) {
                ++counter_;
            }
            break;
        case kPlainSubRecord:
            if (!afterEnd && previous_ != kPlainSubRecord) {
                ++counter_;
            }
            break;
        case kEndRecord:
            if (!open_.empty()) {
                const std::size_t container = open_.back();
                open_.pop_back();
                SetLe32(image_, container + 4,
                        static_cast<std::uint32_t>(position - container + 12));
            }
            if (afterEnd || previous_ == kPlainSubRecord) {
                --counter_;
            }
            break;
        default:
            break;
    }
    if (IsContainer(type)) {
        open_.push_back(position);
    }
    previous_ = type;
    return kComposeOk;
}

bool Composer::Save() const {
    if (counter_ != 0 || image_.empty() || previous_ == kRootRecord) {
        return false;
    }
    return platform::ReplaceFileAtomically(target_, image_);
}

}  // namespace vorn::blacklist
