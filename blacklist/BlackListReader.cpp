#include "blacklist/BlackListReader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "blacklist/Composer.h"
#include "platform/TextConversion.h"

namespace vorn::blacklist {

namespace {

// A list is at most 100,000 bytes; a leading block of any content comes before it, but a file
// this large is no black list.
constexpr std::uintmax_t kMaxFileSize = 16u * 1024 * 1024;
// Texts read from a record are cut to this many characters.
constexpr std::size_t kMaxTextLength = 512;

std::wstring Cut(std::wstring text) {
    if (text.size() > kMaxTextLength) {
        text.resize(kMaxTextLength);
    }
    return text;
}

}  // namespace

bool BlackListReader::Open(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::ifstream file(path, std::ios::binary);
    if (error || !file) {
        const std::string reason = error ? error.message() : std::strerror(errno);
        *this = BlackListReader();
        Fail(0, "the file cannot be read: " + reason);
        return true;
    }
    if (size > kMaxFileSize) {
        *this = BlackListReader();
        Fail(0, "the file is too large for a black list");
        return true;
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        const std::string reason = std::strerror(errno);
        *this = BlackListReader();
        Fail(0, "the file cannot be read: " + reason);
        return true;
    }
    return OpenBytes(std::move(bytes));
}

bool BlackListReader::OpenBytes(std::string bytes) {
    *this = BlackListReader();
    data_ = std::move(bytes);
    const std::size_t length = data_.size();
    for (std::size_t i = data_.find('$'); i != std::string::npos; i = data_.find('$', i + 1)) {
        if (i + 16 >= length) {
            Fail(i, "a '$' too near the end to start the leading block's marker");
            data_.clear();
            return false;
        }
        if (data_.compare(i, kLeadingBlockMarker.size(), kLeadingBlockMarker) == 0) {
            imageStart_ = i + 16;
            break;
        }
    }
    imageSize_ = length - imageStart_;
    return true;
}

std::uint32_t BlackListReader::Le32(std::size_t at) const {
    return static_cast<std::uint32_t>(Byte(at)) | static_cast<std::uint32_t>(Byte(at + 1)) << 8 |
           static_cast<std::uint32_t>(Byte(at + 2)) << 16 |
           static_cast<std::uint32_t>(Byte(at + 3)) << 24;
}

void BlackListReader::Fail(std::size_t at, std::string message) {
    if (error_.empty()) {
        error_ = std::move(message);
        errorOffset_ = imageStart_ + at;
    }
}

bool BlackListReader::ReadRecord(std::size_t at, Record& record) {
    if (imageSize_ - at < 10) {
        Fail(at, "a record header runs past the end of the image");
        return false;
    }
    record.size = Le32(at);
    record.type = Byte(at + 8);
    record.payloadLength = Byte(at + 9);
    record.payload = at + 10;
    if (record.size < 12) {
        Fail(at, "a record size below the smallest record");
        return false;
    }
    if (record.size > imageSize_ - at) {
        Fail(at, "a record size past the end of the image");
        return false;
    }
    const std::size_t nameAt = 10 + std::size_t{record.payloadLength};
    if (nameAt + 1 > record.size) {
        Fail(at, "a payload length past the end of its record");
        return false;
    }
    const auto nameLength = static_cast<std::int8_t>(Byte(at + nameAt));
    record.comment.clear();
    if (nameLength > 0) {
        const auto length = static_cast<std::size_t>(nameLength);
        if (nameAt + 1 + length > record.size) {
            Fail(at, "a name length past the end of its record");
            return false;
        }
        std::string_view name(data_.data() + imageStart_ + at + nameAt + 1, length);
        name = name.substr(0, name.find('\0'));
        record.comment = Cut(platform::Utf8ToWide(name));
    }
    return true;
}

std::unique_ptr<BlackListItem> BlackListReader::ReadRoot() {
    started_ = false;
    if (!error_.empty()) {
        return nullptr;
    }
    if (!HasImage()) {
        Fail(0, "the image is shorter than " + std::to_string(kMinImageSize) + " bytes");
        return nullptr;
    }
    Record record;
    if (!ReadRecord(0, record)) {
        return nullptr;
    }
    if (record.type != kRootRecord) {
        Fail(0, "the first record is not a root");
        return nullptr;
    }
    started_ = true;
    first_ = true;
    counter_ = 0;
    open_.assign(1, 0);
    position_ = 0;
    currentSize_ = record.size;
    previous_ = kRootRecord;
    return std::make_unique<BlackListRoot>();
}

std::unique_ptr<BlackListItem> BlackListReader::Next() {
    if (!started_ || !error_.empty()) {
        return nullptr;
    }
    const std::size_t at = position_ + currentSize_;
    if (at >= imageSize_) {
        started_ = false;
        // A list cut after a whole record would otherwise read as the part before the cut.
        if (!AtEnd()) {
            const std::size_t open = open_.size();
            Fail(at, open == 0 ? std::string("the image ends before its nesting comes back to 0")
                               : "the image ends with " + std::to_string(open) +
                                     (open == 1 ? " container" : " containers") + " still open");
        }
        return nullptr;
    }
    Record record;
    if (!ReadRecord(at, record)) {
        return nullptr;
    }
    const std::string_view payload(data_.data() + imageStart_ + record.payload,
                                   record.payloadLength);
    std::unique_ptr<BlackListItem> node;
    switch (record.type) {
        case kCurrencyRecord:
            node = std::make_unique<BlackListCurrency>(
                Cut(platform::Utf8ToWide(payload.substr(0, payload.find('\0')))), nullptr);
            break;
        case kNominalRecord: {
            if (payload.size() < 7) {
                Fail(at, "a denomination payload shorter than its three numbers");
                return nullptr;
            }
            const auto byte = [&](std::size_t i) {
                return static_cast<std::uint32_t>(static_cast<std::uint8_t>(payload[i]));
            };
            node = std::make_unique<BlackListNominal>(
                byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24,
                static_cast<std::uint16_t>(byte(4) | byte(5) << 8),
                static_cast<std::uint8_t>(byte(6)), nullptr);
            break;
        }
        case kGroupSubRecord:
        case kPlainSubRecord: {
            std::u16string text;
            for (std::size_t i = 0; i + 1 < payload.size(); i += 2) {
                const auto unit =
                    static_cast<char16_t>(static_cast<std::uint8_t>(payload[i]) |
                                          static_cast<std::uint8_t>(payload[i + 1]) << 8);
                if (unit == 0) {
                    break;
                }
                text.push_back(unit);
            }
            node = std::make_unique<BlackListSub>(record.type == kGroupSubRecord,
                                                  Cut(platform::Utf16ToWide(text)), nullptr);
            break;
        }
        case kEndRecord:
            node = std::make_unique<BlackListEnd>();
            break;
        default:
            Fail(at, "an unknown record type " + std::to_string(record.type));
            return nullptr;
    }
    if (record.type != kEndRecord) {
        node->comment = std::move(record.comment);
    }

    const std::uint8_t before = previous_;
    switch (record.type) {
        case kCurrencyRecord:
        case kNominalRecord:
        case kGroupSubRecord:
            if (open_.size() >= kMaxOpenContainers) {
                Fail(at, "containers nested deeper than " + std::to_string(kMaxOpenContainers));
                return nullptr;
            }
            open_.push_back(at);
            if (before != kEndRecord) {
                ++counter_;
            }
            break;
        case kPlainSubRecord:
            if (before != kEndRecord && before != kPlainSubRecord) {
                ++counter_;
            }
            break;
        default:  // end
            if (!open_.empty()) {
                open_.pop_back();
            }
            if (before == kEndRecord || before == kPlainSubRecord) {
                --counter_;
            }
            break;
    }
    first_ = false;
    previous_ = record.type;
    position_ = at;
    currentSize_ = record.size;
    return node;
}

}  // namespace vorn::blacklist
