#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "blacklist/BlackListReader.h"
#include "blacklist/BlackListText.h"
#include "blacklist/BlackListTree.h"
#include "blacklist/Composer.h"
#include "support/TestEnvironment.h"

namespace vorn::blacklist {
namespace {

std::string Hex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size();) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

// USD / 100, 1995, any version / 123, all without comments.
const std::string kUsdImage =
    Hex("10 00 00 00 6c 00 00 00 01 00 05 72 6f 6f 74 00"
        "10 00 00 00 50 00 00 00 02 04 55 53 44 00 01 00"
        "14 00 00 00 34 00 00 00 03 08 64 00 00 00 cb 07 ff 00 01 00"
        "14 00 00 00 00 00 00 00 05 08 31 00 32 00 33 00 00 00 01 00"
        "0c 00 00 00 00 00 00 00 06 00 01 00"
        "0c 00 00 00 00 00 00 00 06 00 01 00"
        "0c 00 00 00 00 00 00 00 06 00 01 00");
const std::wstring kUsdText = L"USD\n  100 1995 *\n    123\n";

std::string Compose(const std::wstring& text) {
    const ParsedTree parsed = TextToTree(text);
    EXPECT_TRUE(parsed.root) << parsed.error << " at line " << parsed.line;
    if (!parsed.root) {
        return {};
    }
    Composer composer("/nonexistent/unused.blist");
    EXPECT_EQ(WriteTree(composer, *parsed.root), kComposeOk);
    EXPECT_EQ(composer.Counter(), 0);
    return composer.Image();
}

LoadedBlackList Load(const std::string& bytes) {
    BlackListReader reader;
    EXPECT_TRUE(reader.OpenBytes(bytes));
    return LoadBlackList(reader);
}

TEST(BlackListFile, WritesTheKnownImagesByteForByte) {
    EXPECT_EQ(Compose(kUsdText), kUsdImage);
    EXPECT_EQ(Compose(L"USD\n"), Hex("10 00 00 00 38 00 00 00 01 00 05 72 6f 6f 74 00"
                                     "10 00 00 00 1c 00 00 00 02 04 55 53 44 00 01 00"
                                     "0c 00 00 00 00 00 00 00 06 00 01 00"
                                     "0c 00 00 00 00 00 00 00 06 00 01 00"));
    // A root without children is its record alone, which no reader takes.
    const std::string rootOnly = Compose(L"");
    EXPECT_EQ(rootOnly, Hex("10 00 00 00 00 00 00 00 01 00 05 72 6f 6f 74 00"));
    EXPECT_FALSE(Load(rootOnly).root);
}

// The image of records given as (type, text) pairs: 2 a currency, 3 a denomination 100/1995/B,
// 4 and 5 serial numbers, 6 an end.
std::string Records(std::initializer_list<std::pair<int, const char16_t*>> records) {
    Composer composer("/nonexistent/unused.blist");
    EXPECT_EQ(composer.AddRoot(), kComposeOk);
    for (const auto& [type, text] : records) {
        const std::u16string value(text);
        const int result = type == kCurrencyRecord
                               ? composer.AddCurrency(std::string(value.begin(), value.end()), "")
                           : type == kNominalRecord ? composer.AddNominal(100, 1995, 'B', "")
                           : type == kEndRecord
                               ? composer.AddEnd()
                               : composer.AddSub(value, "", static_cast<std::uint8_t>(type));
        EXPECT_EQ(result, kComposeOk) << type;
    }
    EXPECT_EQ(composer.AddEnd(), kComposeOk);
    return composer.Image();
}

// Serial numbers directly under a currency load under "Any" and are written back directly
// under the currency, so that they keep matching every note of it.
TEST(BlackListFile, AnyDenominationIsWrittenBackDirectlyUnderItsCurrency) {
    const struct {
        const char* what;
        std::string image;
        std::wstring text;
    } cases[] = {
        {"plain serial numbers", Records({{2, u"USD"}, {5, u"77"}, {5, u"78"}, {6, u""}}),
         L"USD\n  Any\n    77\n    78\n"},
        {"a group, then a denomination",
         Records({{2, u"USD"},
                  {4, u"7"},
                  {5, u"71"},
                  {6, u""},
                  {3, u""},
                  {5, u"1"},
                  {6, u""},
                  {6, u""}}),
         L"USD\n  Any\n    7\n      71\n  100 1995 B\n    1\n"},
    };
    for (const auto& c : cases) {
        const LoadedBlackList loaded = Load(c.image);
        ASSERT_TRUE(loaded.root) << c.what << ": " << loaded.error;
        EXPECT_EQ(TreeToText(*loaded.root), c.text) << c.what;
        Composer again("/nonexistent/unused.blist");
        ASSERT_EQ(WriteTree(again, *loaded.root), kComposeOk) << c.what;
        EXPECT_EQ(again.Image(), c.image) << c.what;
        EXPECT_EQ(Compose(c.text), c.image) << c.what;
    }
    // Plain serial numbers directly under a currency cannot come before its denominations in
    // a file: the nesting would never close. Nothing is written.
    const ParsedTree parsed = TextToTree(L"USD\n  Any\n    77\n  100 1995 *\n");
    ASSERT_TRUE(parsed.root) << parsed.error;
    Composer composer("/nonexistent/unused.blist");
    EXPECT_EQ(WriteTree(composer, *parsed.root), kComposeLeafBeforeContainer);
    EXPECT_FALSE(composer.Save());
}

TEST(BlackListFile, PadsPayloadsAndNamesToEvenLengths) {
    const struct {
        std::string name;
        std::string comment;
        std::string record;  // the currency record without its size and span
    } cases[] = {
        {"USD", "", "02 04 55 53 44 00 01 00"},
        {"EURO", "", "02 06 45 55 52 4f 00 00 01 00"},
        {"USD", "abcd", "02 04 55 53 44 00 05 61 62 63 64 00"},
        {"USD", "abc", "02 04 55 53 44 00 04 61 62 63 00 00"},
    };
    for (const auto& c : cases) {
        Composer composer("/nonexistent/unused.blist");
        ASSERT_EQ(composer.AddRoot(), kComposeOk);
        ASSERT_EQ(composer.AddCurrency(c.name, c.comment), kComposeOk);
        const std::string record = composer.Image().substr(16);
        EXPECT_EQ(record.substr(8), Hex(c.record)) << c.name << "/" << c.comment;
        EXPECT_EQ(static_cast<std::size_t>(static_cast<unsigned char>(record[0])), record.size());
        EXPECT_EQ(record.size() % 2, 0u);
    }
}

TEST(BlackListFile, ComposerRefusesRecordsThatWouldBreakTheImage) {
    Composer composer("/nonexistent/unused.blist");
    EXPECT_EQ(composer.AddCurrency("USD", ""), kComposeNoRoot);
    EXPECT_EQ(composer.AddEnd(), kComposeNoRoot);
    ASSERT_EQ(composer.AddRoot(), kComposeOk);
    EXPECT_EQ(composer.AddRoot(), kComposeNoRoot);
    EXPECT_EQ(composer.AddEnd(), kComposeBadEnd);
    EXPECT_EQ(composer.AddSub(u"1", "", kCurrencyRecord), kComposeBadType);
    EXPECT_EQ(composer.AddCurrency(std::string(254, 'x'), ""), kComposeTooLong);
    EXPECT_EQ(composer.AddCurrency("USD", std::string(127, 'x')), kComposeTooLong);
    // The leading-block marker in any text written as UTF-8: a reader would skip to it.
    const std::string marked = "a$$$VK_END$$$b";
    EXPECT_EQ(composer.AddCurrency(marked, ""), kComposeMarker);
    EXPECT_EQ(composer.AddCurrency("USD", marked), kComposeMarker);
    EXPECT_EQ(composer.Image().size(), 16u);
    EXPECT_EQ(composer.AddCurrency(std::string(253, 'x'), std::string(126, 'y')), kComposeOk);
    EXPECT_EQ(composer.AddNominal(1, 2, 3, marked), kComposeMarker);
    EXPECT_EQ(composer.AddSub(u"1", "$$$VK_END$$$", kPlainSubRecord), kComposeMarker);
    EXPECT_EQ(composer.AddNominal(1, 2, 3, ""), kComposeOk);
    EXPECT_EQ(composer.AddSub(std::u16string(127, u'1'), "", kPlainSubRecord), kComposeTooLong);
    ASSERT_EQ(composer.AddSub(std::u16string(126, u'1'), "", kGroupSubRecord), kComposeOk);
    // Root, currency, denomination and one group are open: seven more fit, the eleventh not.
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(composer.AddSub(u"2", "", kGroupSubRecord), kComposeOk);
    }
    EXPECT_EQ(composer.AddSub(u"3", "", kGroupSubRecord), kComposeTooDeep);
    // Plain substrings until the capacity refuses one, leaving the image as it was.
    int result = kComposeOk;
    std::size_t before = 0;
    while (result == kComposeOk) {
        before = composer.Image().size();
        result = composer.AddSub(std::u16string(100, u'9'), "", kPlainSubRecord);
    }
    EXPECT_EQ(result, kComposeFull);
    EXPECT_EQ(composer.Image().size(), before);
    EXPECT_LE(before, kImageCapacity);

    // To the byte: a record that ends the image at exactly 100,000 bytes fits, one 2 bytes longer
    // (records are even) does not. A plain substring of n units takes 14 + 2n bytes.
    Composer full("/nonexistent/unused.blist");
    ASSERT_EQ(full.AddRoot(), kComposeOk);
    while (kImageCapacity - full.Image().size() > 280) {
        ASSERT_EQ(full.AddSub(std::u16string(126, u'9'), "", kPlainSubRecord), kComposeOk);
    }
    const std::size_t units = (kImageCapacity - full.Image().size() - 14) / 2;
    ASSERT_LT(units, kMaxSubUnits);
    EXPECT_EQ(full.AddSub(std::u16string(units + 1, u'9'), "", kPlainSubRecord), kComposeFull);
    EXPECT_EQ(full.AddSub(std::u16string(units, u'9'), "", kPlainSubRecord), kComposeOk);
    EXPECT_EQ(full.Image().size(), kImageCapacity);
}

TEST(BlackListFile, GroupingSubstringsAreWrittenBeforePlainOnesAndReadBack) {
    const std::wstring text =
        L"USD // dollars\n"
        L"  100 1995 * // hundred\n"
        L"    1\n"
        L"    2 // group\n"
        L"      21\n"
        L"      22\n"
        L"        221\n"
        L"    3\n"
        L"  * * B\n"
        L"RUB\n";
    const std::string image = Compose(text);
    std::vector<std::wstring> order;
    BlackListReader reader;
    ASSERT_TRUE(reader.OpenBytes(image));
    ASSERT_TRUE(reader.ReadRoot());
    while (!reader.AtEnd()) {
        auto node = reader.Next();
        ASSERT_TRUE(node);
        if (node->Kind() == kSubKind) {
            const auto& sub = static_cast<const BlackListSub&>(*node);
            order.push_back(sub.text + (sub.isGroup ? L"+" : L""));
        }
    }
    EXPECT_EQ(order, (std::vector<std::wstring>{L"2+", L"22+", L"221", L"21", L"1", L"3"}));

    const LoadedBlackList loaded = Load(image);
    ASSERT_TRUE(loaded.root) << loaded.error;
    EXPECT_EQ(TreeToText(*loaded.root),
              L"USD // dollars\n"
              L"  100 1995 * // hundred\n"
              L"    2 // group\n"
              L"      22\n"
              L"        221\n"
              L"      21\n"
              L"    1\n"
              L"    3\n"
              L"  * * B\n"
              L"RUB\n");
    // Written again, the list read back gives the same bytes.
    Composer again("/nonexistent/unused.blist");
    ASSERT_EQ(WriteTree(again, *loaded.root), kComposeOk);
    EXPECT_EQ(again.Image(), image);
}

TEST(BlackListFile, SubstringDirectlyUnderACurrencyGetsAnAnyDenomination) {
    Composer composer("/nonexistent/unused.blist");
    ASSERT_EQ(composer.AddRoot(), kComposeOk);
    ASSERT_EQ(composer.AddCurrency("USD", ""), kComposeOk);
    ASSERT_EQ(composer.AddSub(u"77", "", kPlainSubRecord), kComposeOk);
    ASSERT_EQ(composer.AddEnd(), kComposeOk);
    ASSERT_EQ(composer.AddEnd(), kComposeOk);
    const LoadedBlackList loaded = Load(composer.Image());
    ASSERT_TRUE(loaded.root) << loaded.error;
    const BlackListNode& currency = loaded.root->children.front();
    ASSERT_EQ(currency.children.size(), 1u);
    const auto& any = static_cast<const BlackListNominal&>(*currency.children.front().item);
    EXPECT_TRUE(any.IsAnyNominal());
    EXPECT_EQ(currency.children.front().children.front().item->GetText(), L"77");
}

TEST(BlackListFile, LeadingBlockIsSkippedAndADollarNearTheEndRefused) {
    const LoadedBlackList loaded = Load("any $ header$$$VK_END$$$\x01\x02\x03\x04" + kUsdImage);
    ASSERT_TRUE(loaded.root) << loaded.error;
    EXPECT_EQ(TreeToText(*loaded.root), kUsdText);

    BlackListReader reader;
    EXPECT_FALSE(reader.OpenBytes(kUsdImage + "$" + std::string(15, 'x')));
    EXPECT_FALSE(reader.ReadRoot());
    EXPECT_TRUE(reader.OpenBytes(kUsdImage + "$" + std::string(16, 'x')));
}

// A record with any field values, for damaged images.
std::string Record(std::uint32_t size, std::uint8_t type, const std::string& rest) {
    std::string record;
    for (int i = 0; i < 4; ++i) {
        record.push_back(static_cast<char>(size >> (8 * i)));
    }
    record += std::string(4, '\0');
    record.push_back(static_cast<char>(type));
    return record + rest;
}

TEST(BlackListFile, DamagedImagesGiveNoTreeAndNamedProblem) {
    auto patched = [](std::size_t at, std::string bytes) {
        std::string image = kUsdImage;
        image.replace(at, bytes.size(), bytes);
        return image;
    };
    std::string deep =
        Record(16, 1, Hex("00 05 72 6f 6f 74 00")) + Record(16, 2, Hex("04 55 53 44 00 01 00"));
    deep += Record(20, 3, Hex("08 64 00 00 00 cb 07 ff 00 01 00"));
    for (int i = 0; i < 8; ++i) {
        deep += Record(16, 4, Hex("04 31 00 00 00 01 00"));
    }
    const struct {
        const char* what;
        std::string image;
    } cases[] = {
        {"record size 0", patched(16, Hex("00 00 00 00"))},
        {"record size below a record", patched(32, Hex("0b 00 00 00"))},
        {"record size past the end", patched(52, Hex("ff ff 00 00"))},
        {"huge record size", patched(16, Hex("ff ff ff ff"))},
        {"payload past the record", patched(25, Hex("f0"))},
        {"name past the record", patched(30, Hex("7f"))},
        {"image cut inside a record", kUsdImage.substr(0, 100)},
        {"image cut inside a header", kUsdImage.substr(0, 90)},
        {"short denomination payload", patched(41, Hex("02"))},
        {"unknown record type", patched(60, Hex("09"))},
        {"second root", patched(60, Hex("01"))},
        {"first record no root", patched(8, Hex("02"))},
        {"denomination outside a currency", patched(24, Hex("03"))},
        {"nesting deeper than the stack", deep},
        {"shorter than a list", kUsdImage.substr(0, 23)},
        {"cut before the root's end", kUsdImage.substr(0, 96)},
        {"cut before the currency's end", kUsdImage.substr(0, 84)},
        {"cut before the denomination's end", kUsdImage.substr(0, 72)},
    };
    for (const auto& c : cases) {
        const LoadedBlackList loaded = Load(c.image);
        EXPECT_FALSE(loaded.root) << c.what;
        EXPECT_FALSE(loaded.error.empty()) << c.what;
        EXPECT_LE(loaded.errorOffset, c.image.size()) << c.what;  // at most where it ends
    }
}

TEST(BlackListFile, SaveReplacesTheFileWholeOrLeavesItAlone) {
    test::TempDir folder;
    const auto file = folder / "list.blist";
    test::WriteFileBytes(file, "old list");

    Composer incomplete(file);
    ASSERT_EQ(incomplete.AddRoot(), kComposeOk);
    ASSERT_EQ(incomplete.AddCurrency("USD", ""), kComposeOk);
    EXPECT_FALSE(incomplete.Save());
    EXPECT_FALSE(Composer(file).Save());  // empty image
    Composer rootOnly(file);              // a list without a currency
    ASSERT_EQ(rootOnly.AddRoot(), kComposeOk);
    EXPECT_FALSE(rootOnly.Save());
    EXPECT_EQ(test::ReadFileBytes(file), "old list");

    Composer complete(file);
    const ParsedTree parsed = TextToTree(kUsdText);
    ASSERT_EQ(WriteTree(complete, *parsed.root), kComposeOk);
    ASSERT_TRUE(complete.Save());
    EXPECT_EQ(test::ReadFileBytes(file), kUsdImage);
    const LoadedBlackList loaded = LoadBlackList(file);
    ASSERT_TRUE(loaded.root);
    EXPECT_EQ(TreeToText(*loaded.root), kUsdText);
    EXPECT_FALSE(LoadBlackList(folder / "missing.blist").root);
}

TEST(BlackListFile, TextFormWritesTheVersionLetterAndReadsLetterOrCode) {
    const struct {
        std::wstring line;
        std::uint8_t version;
        std::wstring dumped;
    } cases[] = {
        {L"5 2001 B", 'B', L"5 2001 B"},
        {L"5 2001 66", 'B', L"5 2001 B"},
        {L"5 2001 Z // last", 'Z', L"5 2001 Z // last"},
        {L"5 2001 *", 255, L"5 2001 *"},
        {L"5 2001 200", 200, L"5 2001 200"},
        {L"5 2001 48", '0', L"5 2001 48"},
    };
    for (const auto& c : cases) {
        const ParsedTree parsed = TextToTree(L"USD\n  " + c.line + L"\n");
        ASSERT_TRUE(parsed.root) << parsed.error;
        const auto& nominal = static_cast<const BlackListNominal&>(
            *parsed.root->children.front().children.front().item);
        EXPECT_EQ(nominal.version, c.version);
        EXPECT_EQ(TreeToText(*parsed.root), L"USD\n  " + c.dumped + L"\n");
    }
}

TEST(BlackListFile, TextFormRefusesMalformedLines) {
    const struct {
        std::wstring text;
        std::size_t line;
    } cases[] = {
        {L"USD\n   100 1995 *\n", 2},
        {L"USD\n    123\n", 2},
        {L"USD\n  100 1995\n", 2},
        {L"USD\n  100 x *\n", 2},
        {L"\nUSD\n  100 1995 *\n  -5 1 1\n", 4},
        {L"USD\n  100 1995 b\n", 2},
        {L"USD\n  100 1995 BB\n", 2},
    };
    for (const auto& c : cases) {
        const ParsedTree parsed = TextToTree(c.text);
        EXPECT_FALSE(parsed.root);
        EXPECT_EQ(parsed.line, c.line) << parsed.error;
    }
}

}  // namespace
}  // namespace vorn::blacklist
