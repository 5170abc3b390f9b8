#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logging/CXFSAdaptedHtmlParser.h"
#include "logging/MarkupCase.h"

using Kavro::Utilities::XML::CHtmlTokenizer;
using Kavro::Utilities::XML::CXFSAdaptedHtmlParser;
using Kavro::Utilities::XML::FoldCase;

namespace {

std::vector<std::string> Tokens(const std::string& text, std::size_t length) {
    CHtmlTokenizer tokenizer(text.data(), length);
    std::vector<std::string> out;
    for (auto t = tokenizer.NextToken(); !t.empty(); t = tokenizer.NextToken()) {
        out.emplace_back(t);
    }
    return out;
}

std::vector<std::string> Tokens(const std::string& text) {
    return Tokens(text, text.size());
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(MarkupTokenizer, SplitsTagsCommentsAndTextRuns) {
    EXPECT_EQ(Tokens("<a href='x>y'>text<b>"), (Strings{"<a href='x>y'>", "text", "<b>"}));
    EXPECT_EQ(Tokens("<a title=\"1>2\" v='3'>"), (Strings{"<a title=\"1>2\" v='3'>"}));
    // A tag opened again before it is closed ends just before the second "<".
    EXPECT_EQ(Tokens("<c val=1 <d>"), (Strings{"<c val=1 ", "<d>"}));
    EXPECT_EQ(Tokens("<!-- <name val=\"x\"> -- > -->after"),
              (Strings{"<!-- <name val=\"x\"> -- > -->", "after"}));
    EXPECT_EQ(Tokens("<a>  \r\n\t x y </a>"), (Strings{"<a>", "  \r\n\t x y ", "</a>"}));
    // Unfinished constructs run to the end of the text.
    EXPECT_EQ(Tokens("<a b=\"x>"), (Strings{"<a b=\"x>"}));
    EXPECT_EQ(Tokens("<!-- never closed <x>"), (Strings{"<!-- never closed <x>"}));
    EXPECT_EQ(Tokens("<"), (Strings{"<"}));
    EXPECT_TRUE(Tokens("").empty());
}

TEST(MarkupTokenizer, NeverReadsPastItsView) {
    // The bytes after the view would close the quote, the comment or the tag; none of them
    // may be taken.
    const std::string text = "<a b='x'>tail";
    EXPECT_EQ(Tokens(text, 6), (Strings{"<a b='"}));
    const std::string comment = "<!-- c -->";
    EXPECT_EQ(Tokens(comment, 8), (Strings{"<!-- c -"}));
    const std::string shortComment = "<!--x";
    EXPECT_EQ(Tokens(shortComment, 4), (Strings{"<!--"}));
    const std::string run = "abc<d>";
    EXPECT_EQ(Tokens(run, 2), (Strings{"ab"}));

    CHtmlTokenizer none(nullptr, 10);
    EXPECT_TRUE(none.NextToken().empty());
}

TEST(MarkupCaseFolding, FoldsLatinAndWindows1251Cyrillic) {
    EXPECT_EQ(FoldCase('a'), 'A');
    EXPECT_EQ(FoldCase('z'), 'Z');
    EXPECT_EQ(FoldCase('A'), 'A');
    EXPECT_EQ(FoldCase('{'), '{');
    EXPECT_EQ(FoldCase(0xE0), 0xC0);  // а -> А
    EXPECT_EQ(FoldCase(0xFF), 0xDF);  // я -> Я
    EXPECT_EQ(FoldCase(0xB8), 0xA8);  // ё -> Ё
    EXPECT_EQ(FoldCase(0xC5), 0xC5);
    EXPECT_EQ(FoldCase(0xDF), 0xDF);
    EXPECT_EQ(FoldCase(0xB7), 0xB7);

    const std::string text = "<\xEC\xEE\xE4\xF3\xEB\xFC val=\"\xB8\">";  // <модуль val="ё">
    CXFSAdaptedHtmlParser parser(text.data(), text.size());
    EXPECT_EQ(parser.FindTag("<\xCC\xCE\xC4\xD3\xCB\xDC "), text);  // <МОДУЛЬ
    EXPECT_EQ(parser.FindAttribute("VAL"), "\xB8");
}

TEST(MarkupParser, FindTagMatchesPatternPrefixWithoutCase) {
    const std::string text = "<names val=\"n\"/><NAME val=\"N\"/><na<name val=\"x\"/></Module><";
    CXFSAdaptedHtmlParser parser(text.data(), text.size());
    EXPECT_EQ(parser.FindTag("<name "), "<NAME val=\"N\"/>");
    // "<na" is cut short by the next "<": it is not a name tag.
    EXPECT_EQ(parser.FindTag("<name "), "<name val=\"x\"/>");
    EXPECT_EQ(parser.CurrentTag(), "<name val=\"x\"/>");
    EXPECT_EQ(parser.FindTag("</module>"), "</Module>");
    // The lone "<" at the end matches no tag pattern.
    EXPECT_TRUE(parser.FindTag("<").empty());
    EXPECT_TRUE(parser.FindTag("<name ").empty());
}

TEST(MarkupParser, FindAttributeReadsValuesAsWritten) {
    struct Case {
        std::string tag;
        std::string name;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"<name val = \"abc\" />", "val", "abc"},
        {"<name\r\n\tVAL=\t'a b>c' />", "val", "a b>c"},
        {"<name a=1 val=2>", "val", "2"},
        {"<name val=unquoted>", "val", "unquoted"},
        {"<name val=\"&lt;x&amp;\">", "val", "&lt;x&amp;"},
        {"<name val=\"\">", "val", ""},
        {"<name val=''>", "val", ""},
        {"<name val=>", "val", ""},
        {"<name other=\"x\">", "val", ""},
        {"<name =\"x\" val=\"y\">", "val", "y"},
        // Names compare whole: "v" is not "val", and an empty value elsewhere hides nothing.
        {"<name v=\"1\" val=\"2\">", "val", "2"},
        {"<name v=\"1\" val=\"2\">", "v", "1"},
        {"<name value=\"1\">", "val", ""},
        {"<name x=\"\" val=\"z\">", "val", "z"},
        {"<name title=\"a=b\" val=\"c\">", "val", "c"},
        {"<name val=\"unterminated", "val", "unterminated"},
    };
    for (const Case& c : cases) {
        CXFSAdaptedHtmlParser parser(c.tag.data(), c.tag.size());
        ASSERT_FALSE(parser.NextToken().empty()) << c.tag;
        EXPECT_EQ(parser.FindAttribute(c.name), c.value) << c.tag;
        // A second look at the same tag finds the same.
        EXPECT_EQ(parser.FindAttribute(c.name), c.value) << c.tag;
    }
}

TEST(MarkupParser, GetAttributeKeepsThePosition) {
    const std::string text = "<a/><name val=\"one\"/><b/><name val=\"two\"/>";
    CXFSAdaptedHtmlParser parser(text.data(), text.size());
    std::string value = "stale";
    EXPECT_FALSE(parser.GetAttribute("<missing ", "val", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(parser.Position(), 0u);

    EXPECT_TRUE(parser.GetAttribute("<name ", "val", value));
    EXPECT_EQ(value, "one");
    EXPECT_EQ(parser.Position(), 0u);
    EXPECT_TRUE(parser.GetAttribute("<name ", "val", value));
    EXPECT_EQ(value, "one");

    parser.FindTag("<b");
    const std::size_t after = parser.Position();
    EXPECT_TRUE(parser.GetAttribute("<name ", "val", value));
    EXPECT_EQ(value, "two");
    EXPECT_EQ(parser.Position(), after);
    EXPECT_FALSE(parser.GetAttribute("<name ", "missing", value));
    EXPECT_EQ(parser.Position(), after);
}

TEST(MarkupParser, EnterElementNarrowsAndLeaveElementRestores) {
    const std::string text =
        "<root><item id=\"a\"><v val=\"1\"/></item><item id=\"b\"><v val=\"2\"/></item></root>";
    CXFSAdaptedHtmlParser parser(text.data(), text.size());

    ASSERT_TRUE(parser.EnterElement("<root>", "</root>", nullptr, nullptr, true));
    const std::size_t rootPosition = parser.Position();
    ASSERT_TRUE(parser.EnterElement("<item ", "</item>", "ID", "B"));
    EXPECT_EQ(parser.View(), "<item id=\"b\"><v val=\"2\"/></item>");
    std::string value;
    EXPECT_TRUE(parser.GetAttribute("<v ", "val", value));
    EXPECT_EQ(value, "2");
    parser.LeaveElement();
    EXPECT_EQ(parser.Position(), rootPosition);

    // After leaving, the search starts again before the element that was entered.
    ASSERT_TRUE(parser.EnterElement("<item ", "</item>", nullptr, nullptr, true));
    EXPECT_EQ(parser.View(), "<v val=\"1\"/>");
    // Nothing past the element is visible from inside it.
    EXPECT_TRUE(parser.FindTag("<item ").empty());
    parser.LeaveElement();

    // A failed entry leaves the view and position as they were.
    parser.FindTag("<item ");
    const std::size_t before = parser.Position();
    const std::string_view view = parser.View();
    EXPECT_FALSE(parser.EnterElement("<item ", "</item>", "id", "c"));
    EXPECT_FALSE(parser.EnterElement("<item ", "</nothing>"));
    EXPECT_EQ(parser.Position(), before);
    EXPECT_EQ(parser.View(), view);

    parser.LeaveElement();
    EXPECT_EQ(parser.View(), text);
    // With no enclosing view left, leaving rewinds to the start.
    parser.FindTag("</root>");
    parser.LeaveElement();
    EXPECT_EQ(parser.Position(), 0u);
    EXPECT_EQ(parser.View(), text);
}

TEST(MarkupParser, AttributeValueMustMatchWhole) {
    const std::string text = "<m id=\"ab\">x</m><m id=\"abc\">y</m>";
    CXFSAdaptedHtmlParser parser(text.data(), text.size());
    ASSERT_TRUE(parser.EnterElement("<m ", "</m>", "id", "ABC", true));
    EXPECT_EQ(parser.View(), "y");
}

TEST(MarkupParser, NestedElementsOfOneNameEndAtTheFirstClosingTag) {
    const std::string text = "<g><g>inner</g>outer</g>";
    CXFSAdaptedHtmlParser parser(text.data(), text.size());
    ASSERT_TRUE(parser.EnterElement("<g>", "</g>"));
    EXPECT_EQ(parser.View(), "<g><g>inner</g>");
}
