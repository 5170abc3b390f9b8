#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <iterator>

#include <cstdint>
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
    EXPECT_EQ(composer.Image().size(), 16u);
    EXPECT_EQ(composer.AddCurrency(std::string(253, 'x'), std::string(126, 'y')), kComposeOk);
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
        L"  * * 66\n"
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
              L"  * * 66\n"
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
    };
    for (const auto& c : cases) {
        const LoadedBlackList loaded = Load(c.image);
        EXPECT_FALSE(loaded.root) << c.what;
        EXPECT_FALSE(loaded.error.empty()) << c.what;
        EXPECT_LT(loaded.errorOffset, c.image.size()) << c.what;
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
    EXPECT_EQ(test::ReadFileBytes(file), "old list");

    // A write that fails halfway (the file size limit stops it) keeps the old list.
    {
        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 50;
        const auto previous = signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        Composer cut(file);
        const ParsedTree parsed = TextToTree(kUsdText);
        ASSERT_EQ(WriteTree(cut, *parsed.root), kComposeOk);
        const bool saved = cut.Save();
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, previous);
        EXPECT_FALSE(saved);
        EXPECT_EQ(test::ReadFileBytes(file), "old list");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }

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
    };
    for (const auto& c : cases) {
        const ParsedTree parsed = TextToTree(c.text);
        EXPECT_FALSE(parsed.root);
        EXPECT_EQ(parsed.line, c.line) << parsed.error;
    }
}

}  // namespace
}  // namespace vorn::blacklist
