#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "scan/SessionData.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

SessionData ExampleSession() {
    SessionData data;
    data.uin = L"ABC-123-12345678";
    data.timestamp = {2024, 1, 5, 9, 30, 5};
    data.authenticity = 0;
    data.currency = L"RUB";
    data.denomination = 5000;
    data.year = 1997;
    data.version = L"A";
    data.rotation = 1;
    data.side = 0;
    data.comment = L"Серия АА";
    return data;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(SessionData, DocumentIsThirteenLinesEndingInLineFeeds) {
    const std::string text = FormatSessionData(ExampleSession());
    EXPECT_EQ(text.find('\r'), std::string::npos);
    ASSERT_EQ(text.back(), '\n');
    EXPECT_EQ(Lines(text), (std::vector<std::string>{
                               "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>",
                               "<SessionData>",
                               "\t<uin>ABC-123-12345678</uin>",
                               "\t<timestamp>2024.01.05 09:30:05</timestamp>",
                               "\t<validity>AU</validity>",
                               "\t<currency>RUB</currency>",
                               "\t<nominal>5000</nominal>",
                               "\t<release>1997</release>",
                               "\t<release_version>A</release_version>",
                               "\t<rotation_angle>180deg</rotation_angle>",
                               "\t<orientation>Face</orientation>",
                               "\t<description>Серия АА</description>",
                               "</SessionData>",
                           }));
    EXPECT_EQ(SessionFolderName(ExampleSession()), L"ABC-123-12345678_20240105093005");
    EXPECT_EQ(ValidateSessionData(ExampleSession()), L"");

    SessionData unknown = ExampleSession();
    unknown.authenticity = 5;
    unknown.rotation = -1;
    unknown.side = 7;
    const auto lines = Lines(FormatSessionData(unknown));
    EXPECT_EQ(lines[4], "\t<validity>UNK</validity>");
    EXPECT_EQ(lines[9], "\t<rotation_angle>UNK</rotation_angle>");
    EXPECT_EQ(lines[10], "\t<orientation>UNK</orientation>");
    // Only 2 means "not set": out-of-range values pass.
    EXPECT_EQ(ValidateSessionData(unknown), L"");
}

TEST(SessionData, SpecialCharactersSurviveTheRoundTrip) {
    SessionData data = ExampleSession();
    data.comment = L"<b> & \"x\" 'y' ]]> &amp;";
    data.uin = L"A&B<1>";
    const std::string text = FormatSessionData(data);
    EXPECT_NE(text.find("<description>&lt;b&gt; &amp; "), std::string::npos);
    const SessionData back = ParseSessionData(text);
    EXPECT_EQ(back.comment, data.comment);
    EXPECT_EQ(back.uin, data.uin);
    EXPECT_EQ(ValidateSessionData(back), L"");
}

TEST(SessionData, ValidationMessagesComeInTheirOrder) {
    struct Case {
        const char* name;
        void (*change)(SessionData&);
        std::wstring messages;
    };
    const std::vector<Case> cases = {
        {"no uin", [](SessionData& d) { d.uin.clear(); },
         L"\r\nНе указан серийный номер устройства;"},
        {"no authenticity", [](SessionData& d) { d.authenticity = 2; },
         L"\r\nНе указано значение подлинности банкнот;"},
        {"currency of 2", [](SessionData& d) { d.currency = L"RU"; },
         L"\r\nКод валюты должен состоять из 3-ех символов;"},
        {"currency of 4", [](SessionData& d) { d.currency = L"RUBL"; },
         L"\r\nКод валюты должен состоять из 3-ех символов;"},
        // Counted in UTF-16 code units: one character outside the basic plane is two.
        {"two characters, three UTF-16 units", [](SessionData& d) { d.currency = L"R\U0001F4B0"; },
         L""},
        {"denomination 0", [](SessionData& d) { d.denomination = 0; },
         L"\r\nНеверное значение номинала;"},
        {"year 0", [](SessionData& d) { d.year = 0; }, L"\r\nНеверное значение года выпуска;"},
        {"year 10000", [](SessionData& d) { d.year = 10000; },
         L"\r\nНеверное значение года выпуска;"},
        {"year 9999", [](SessionData& d) { d.year = 9999; }, L""},
        {"version empty", [](SessionData& d) { d.version.clear(); },
         L"\r\nВерсия должна состоять из одного символа;"},
        {"version of 2", [](SessionData& d) { d.version = L"AB"; },
         L"\r\nВерсия должна состоять из одного символа;"},
        {"no rotation", [](SessionData& d) { d.rotation = 2; },
         L"\r\nНе указано значение ориентации(разворот);"},
        {"no side", [](SessionData& d) { d.side = 2; },
         L"\r\nНе указано значение ориентации(сторона);"},
    };
    for (const Case& c : cases) {
        SessionData data = ExampleSession();
        c.change(data);
        EXPECT_EQ(ValidateSessionData(data), c.messages) << c.name;
    }
    EXPECT_EQ(ValidateSessionData(SessionData{}),
              L"\r\nНе указан серийный номер устройства;"
              L"\r\nНе указано значение подлинности банкнот;"
              L"\r\nКод валюты должен состоять из 3-ех символов;"
              L"\r\nНеверное значение номинала;"
              L"\r\nНеверное значение года выпуска;"
              L"\r\nВерсия должна состоять из одного символа;"
              L"\r\nНе указано значение ориентации(разворот);"
              L"\r\nНе указано значение ориентации(сторона);");
}

TEST(SessionData, ReadingToleratesWhatTheAgentMayWrite) {
    // Root name unchecked, separators skipped unchecked, unknown words read as "not set",
    // numbers read as the C runtime reads them, missing elements keep initial values.
    const SessionData data = ParseSessionData(
        "<Other><uin>X1</uin><timestamp>2024-01-05T09:30:05</timestamp>"
        "<validity>XX</validity><nominal>  -1abc</nominal><release>70000</release>"
        "<rotation_angle>180deg</rotation_angle><orientation>back</orientation>"
        "<uin>second</uin><currency></currency></Other>");
    EXPECT_EQ(data.uin, L"X1");
    EXPECT_EQ(data.timestamp.year, 2024);
    EXPECT_EQ(data.timestamp.month, 1);
    EXPECT_EQ(data.timestamp.day, 5);
    EXPECT_EQ(data.timestamp.hour, 9);
    EXPECT_EQ(data.timestamp.minute, 30);
    EXPECT_EQ(data.timestamp.second, 5);
    EXPECT_EQ(data.authenticity, 2);
    EXPECT_EQ(data.denomination, 0xFFFFFFFFu);
    // Nominals above 2^31 are read whole, as the document writes them.
    for (const std::uint32_t nominal : {2147483648u, 3000000000u, 4294967295u}) {
        SessionData big = ExampleSession();
        big.denomination = nominal;
        EXPECT_EQ(ParseSessionData(FormatSessionData(big)).denomination, nominal);
    }
    EXPECT_EQ(data.year, 70000 & 0xFFFF);
    EXPECT_EQ(data.rotation, 1);
    EXPECT_EQ(data.side, 2);
    EXPECT_EQ(data.currency, L"");
    EXPECT_EQ(data.version, L"");
    EXPECT_EQ(data.comment, L"");
    EXPECT_NE(ValidateSessionData(data).find(L"подлинности"), std::wstring::npos);

    // A stamp cut short keeps what was read.
    const SessionData cut = ParseSessionData("<S><timestamp>2024.07</timestamp></S>");
    EXPECT_EQ(cut.timestamp.year, 2024);
    EXPECT_EQ(cut.timestamp.month, 7);
    EXPECT_EQ(cut.timestamp.day, 0);

    for (const char* broken : {"", "not xml", "<SessionData><uin>X</uin>", "\xEF\xBB\xBF"}) {
        EXPECT_EQ(ParseSessionData(broken).uin, L"") << broken;
    }
    test::TempDir dir;
    EXPECT_EQ(LoadSessionData(dir / "missing.xml").authenticity, 2);
    test::WriteFileBytes(dir / "s.xml", FormatSessionData(ExampleSession()));
    EXPECT_EQ(LoadSessionData(dir / "s.xml").comment, L"Серия АА");
}

// A denomination or year typed in the dialog and the same text in a stored document read alike,
// with the agent's 32-bit ranges.
// Typed numbers are 32-bit longs; a document's denomination also reaches the unsigned top, so
// that what a typed -1 is written as comes back as it was.
TEST(SessionData, TypedAndStoredNumbersAsTheAgentsPlatformReadsThem) {
    const struct {
        const char* text;
        std::uint32_t typed;
        std::uint32_t stored;
        std::uint16_t year;
    } cases[] = {
        {"500", 500, 500, 500},
        {"  -1abc", 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFF},
        {"+7x", 7, 7, 7},
        {"", 0, 0, 0},
        {"3000000000", 2147483647u, 3000000000u, 0xFFFF},
        {"4294967295", 2147483647u, 0xFFFFFFFFu, 0xFFFF},
        {"-3000000000", 0x80000000u, 0x80000000u, 0},
        {"99999999999999999999999", 2147483647u, 0xFFFFFFFFu, 0xFFFF},
        {"70000", 70000, 70000, 70000 & 0xFFFF},
    };
    for (const auto& c : cases) {
        const std::string text = c.text;
        const std::wstring typed(text.begin(), text.end());
        EXPECT_EQ(DenominationFromText(typed), c.typed) << c.text;
        EXPECT_EQ(YearFromText(typed), c.year) << c.text;
        const SessionData stored = ParseSessionData("<S><nominal>" + text + "</nominal><release>" +
                                                    text + "</release></S>");
        EXPECT_EQ(stored.denomination, c.stored) << c.text;
        EXPECT_EQ(stored.year, c.year) << c.text;
    }
}

}  // namespace
}  // namespace vorn
