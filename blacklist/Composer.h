#pragma once

// Builds the binary image of a ".blist" file record by record and writes it. Records come in
// pre-order: a container (root, currency, denomination, grouping substring), its children, then
// an end record. The layout of one record:
//
//   offset  width  field
//   0       4      record size (header, payload and name field), little-endian
//   4       4      group span: in a container, bytes from its first byte to just after its end
//   8       1      record type: 1 root, 2 currency, 3 denomination, 4 grouping substring,
//                  5 plain substring, 6 end
//   9       1      payload length P
//   10      P      payload: currency UTF-8 + NUL (+ pad to even P); denomination nominal u32,
//                  year u16, version u8, pad; substring UTF-16LE + 16-bit NUL
//   10+P    1      name length N (bytes that follow, NUL included)
//   11+P    N      name: the comment in UTF-8 ("root" in the root), NUL-terminated
//   11+P+N  0/1    pad byte when N is even, so the record length stays even

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::blacklist {

enum RecordType : std::uint8_t {
    kRootRecord = 1,
    kCurrencyRecord = 2,
    kNominalRecord = 3,
    kGroupSubRecord = 4,
    kPlainSubRecord = 5,
    kEndRecord = 6,
};

inline constexpr std::size_t kImageCapacity = 100000;
inline constexpr std::size_t kMaxOpenContainers = 10;
// The widest values a record can hold.
inline constexpr std::size_t kMaxCurrencyBytes = 253;  // UTF-8 bytes
inline constexpr std::size_t kMaxSubUnits = 126;       // UTF-16 units
inline constexpr std::size_t kMaxCommentBytes = 126;   // UTF-8 bytes

// Ends an optional leading block that readers skip (with 4 more bytes after it). Readers look
// for it in the whole file, so no text of a list may hold it.
inline constexpr std::string_view kLeadingBlockMarker = "$$$VK_END$$$";

// True when a text written as UTF-8 into a record would be taken for the end of a leading block.
bool HoldsLeadingBlockMarker(std::string_view utf8);

// Results of an append; a refused record leaves the image as it was.
enum ComposeResult : int {
    kComposeOk = 0,
    kComposeFull = -1,      // the record would take the image past its capacity
    kComposeNoBuffer = -2,  // no image buffer
    kComposeNoRoot = -3,    // the first record is not a root, or a root comes later
    kComposeBadEnd = -4,    // an end record while the nesting counter is not positive
    kComposeTooLong = -5,   // a value wider than its field
    kComposeBadType = -6,   // a substring record type other than 4 or 5
    kComposeTooDeep = -7,   // more containers open at once than a reader can follow
    kComposeMarker = -8,    // a text holds the leading-block marker
    // A container right after a plain substring, its sibling: the nesting counter would never
    // come back to 0. Only serial numbers directly under a currency ("Any") lead here.
    kComposeLeafBeforeContainer = -9,
};

class Composer {
public:
    explicit Composer(std::filesystem::path target);
    virtual ~Composer() = default;

    int AddRoot();
    int AddCurrency(std::string_view nameUtf8, std::string_view commentUtf8);
    int AddNominal(std::uint32_t nominal, std::uint16_t year, std::uint8_t version,
                   std::string_view commentUtf8);
    int AddSub(std::u16string_view text, std::string_view commentUtf8, std::uint8_t type);
    int AddEnd();

    // Writes the image to the target when it is complete: the counter back at 0 and at least
    // one record after the root, since a root alone is no list a reader accepts. The old file
    // is replaced whole or left as it was.
    bool Save() const;

    const std::string& Image() const { return image_; }
    int Counter() const { return counter_; }

private:
    int Append(std::uint8_t type, const std::string& payload, std::string_view name);

    std::filesystem::path target_;
    std::string image_;
    std::vector<std::size_t> open_;  // positions of the open containers
    int counter_ = 0;
    std::uint8_t previous_ = 0;
};

}  // namespace vorn::blacklist
