#pragma once

// Reads a ".blist" image (see Composer.h for the record layout) one record at a time. Every
// length read from the image is checked against it: a damaged image stops the walk with an
// error and its byte offset, never a read outside the image.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "blacklist/BlackListItem.h"
#include "blacklist/Composer.h"

namespace vorn::blacklist {

// An image shorter than this holds no list.
inline constexpr std::size_t kMinImageSize = 24;

class BlackListReader {
public:
    // Reads the whole file and locates the image. False only when the search for the leading
    // block fails; a file that cannot be read gives true and no image.
    bool Open(const std::filesystem::path& path);
    // The same on bytes already in memory.
    bool OpenBytes(std::string bytes);

    // The root of the image, or nothing when the first record is not a whole root.
    std::unique_ptr<BlackListItem> ReadRoot();
    // The node of the following record (an end record gives a BlackListEnd), or nothing at the
    // end of the image, on an unknown record type or on damage (see Error).
    std::unique_ptr<BlackListItem> Next();
    // True when the current record is not the first one and the nesting counter is back at 0.
    bool AtEnd() const { return !first_ && counter_ == 0; }

    bool HasImage() const { return imageSize_ >= kMinImageSize; }
    // The first problem met, empty while there is none, and its offset in the file.
    const std::string& Error() const { return error_; }
    std::size_t ErrorOffset() const { return errorOffset_; }
    // Offset in the file of the record last read.
    std::size_t CurrentOffset() const { return imageStart_ + position_; }
    // Where the image starts in the file (after a leading block).
    std::size_t ImageStart() const { return imageStart_; }

private:
    struct Record {
        std::uint32_t size = 0;
        std::uint8_t type = 0;
        std::size_t payload = 0;  // offset of the payload in the image
        std::uint8_t payloadLength = 0;
        std::wstring comment;
    };

    bool ReadRecord(std::size_t at, Record& record);
    void Fail(std::size_t at, std::string message);
    std::uint8_t Byte(std::size_t at) const {
        return static_cast<std::uint8_t>(data_[imageStart_ + at]);
    }
    std::uint32_t Le32(std::size_t at) const;

    std::string data_;
    std::size_t imageStart_ = 0;
    std::size_t imageSize_ = 0;
    std::size_t position_ = 0;  // offset of the current record in the image
    std::uint32_t currentSize_ = 0;
    std::uint8_t previous_ = 0;
    bool first_ = true;
    bool started_ = false;
    int counter_ = 0;
    std::vector<std::size_t> open_;
    std::string error_;
    std::size_t errorOffset_ = 0;
};

}  // namespace vorn::blacklist
