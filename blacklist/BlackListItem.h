#pragma once

// The nodes of a black list: root, currencies, denominations and serial-number substrings. A
// node knows only its own kind and values; the tree that holds them (the editor's tree control,
// or BlackListTree) keeps parents, children and order.

#include <cstdint>
#include <string>

namespace vorn::blacklist {

class BlackListEntryEditor;

enum NodeKind : std::int32_t {
    kRootKind = 1,
    kCurrencyKind = 2,
    kNominalKind = 3,
    kSubKind = 4,
    kEndKind = 6,
};

// "Any" in the three numbers of a denomination.
inline constexpr std::uint32_t kAnyNominal = 0xFFFFFFFFu;
inline constexpr std::uint16_t kAnyYear = 0xFFFFu;
inline constexpr std::uint8_t kAnyVersion = 255;

class BlackListItem {
public:
    virtual ~BlackListItem() = default;

    // The text of the node's tree item.
    virtual std::wstring GetText() const { return {}; }
    // Lets the operator change the node through its entry dialog; false (node unchanged) when
    // the dialog was cancelled or the node has none.
    virtual bool EditWithDialog(BlackListEntryEditor& editor);
    // Sets the node from one line of text; false when the line does not fit the node.
    // A number that is no decimal number throws std::invalid_argument or std::out_of_range.
    virtual bool ParseText(const std::wstring& line);

    std::int32_t Kind() const { return kind; }
    const std::wstring& Comment() const { return comment; }
    void SetComment(std::wstring text) { comment = std::move(text); }

    std::wstring comment;
    std::int32_t kind = 0;

protected:
    explicit BlackListItem(std::int32_t nodeKind, std::wstring nodeComment = {})
        : comment(std::move(nodeComment)), kind(nodeKind) {}
    BlackListItem(const BlackListItem&) = default;
    BlackListItem& operator=(const BlackListItem&) = default;

    // " // " and the comment, or nothing without a comment.
    std::wstring CommentSuffix() const;
    // Cuts the comment off `line` (after the first "//", trimmed) and returns the rest.
    std::wstring SplitComment(const std::wstring& line);
};

class BlackListRoot : public BlackListItem {
public:
    BlackListRoot() : BlackListItem(kRootKind) {}
};

class BlackListCurrency : public BlackListItem {
public:
    BlackListCurrency(std::wstring name, const wchar_t* nodeComment)
        : BlackListItem(kCurrencyKind, nodeComment ? nodeComment : L""),
          currencyName(std::move(name)) {}

    std::wstring GetText() const override { return currencyName + CommentSuffix(); }
    bool EditWithDialog(BlackListEntryEditor& editor) override;
    bool ParseText(const std::wstring& line) override;

    const std::wstring& Value() const { return currencyName; }

    std::wstring currencyName;
};

class BlackListNominal : public BlackListItem {
public:
    BlackListNominal(std::uint32_t nodeNominal, std::uint16_t nodeYear, std::uint8_t nodeVersion,
                     const wchar_t* nodeComment)
        : BlackListItem(kNominalKind, nodeComment ? nodeComment : L""),
          nominal(nodeNominal),
          year(nodeYear),
          version(nodeVersion) {}

    std::wstring GetText() const override;
    bool EditWithDialog(BlackListEntryEditor& editor) override;
    bool ParseText(const std::wstring& line) override;
    virtual bool IsAnyNominal() const { return false; }

    std::uint32_t nominal;
    std::uint16_t year;
    std::uint8_t version;
};

// All denominations of a currency: stands in for a denomination missing from a loaded file.
class BlackListAnyNominal : public BlackListNominal {
public:
    BlackListAnyNominal() : BlackListNominal(1, 1995, kAnyVersion, nullptr) {}
    bool IsAnyNominal() const override { return true; }
};

class BlackListSub : public BlackListItem {
public:
    BlackListSub(bool group, std::wstring subText, const wchar_t* nodeComment)
        : BlackListItem(kSubKind, nodeComment ? nodeComment : L""),
          text(std::move(subText)),
          isGroup(group ? 1 : 0) {}

    std::wstring GetText() const override { return text + CommentSuffix(); }
    bool EditWithDialog(BlackListEntryEditor& editor) override;
    bool ParseText(const std::wstring& line) override;
    virtual bool IsAnyNominal() const { return false; }

    const std::wstring& Value() const { return text; }

    std::wstring text;
    std::int32_t isGroup;
};

// Closes the innermost open container while a file is read; never stays in a tree.
class BlackListEnd : public BlackListItem {
public:
    BlackListEnd() : BlackListItem(kEndKind) {}
    std::wstring GetText() const override { return text; }
    virtual bool IsAnyNominal() const { return false; }

    std::wstring text;
};

// The label texts of a denomination, translated; blacklist/NodeTexts.cpp asks the translation
// storage.
std::wstring TranslateNodeText(const wchar_t* text);

}  // namespace vorn::blacklist
