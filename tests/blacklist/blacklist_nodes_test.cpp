#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "blacklist/BlackListEntryEditor.h"
#include "blacklist/BlackListItem.h"

namespace vorn::blacklist {
namespace {

TEST(BlackListNodes, TextsShowValuesStarsAndTheCommentSuffix) {
    const struct {
        std::wstring shown;
        std::wstring expected;
    } cases[] = {
        {BlackListCurrency(L"USD", nullptr).GetText(), L"USD"},
        {BlackListCurrency(L"USD", L"Currency Comment").GetText(), L"USD // Currency Comment"},
        {BlackListNominal(100, 1995, 255, nullptr).GetText(), L"100, Год: 1995, Версия. *"},
        {BlackListNominal(kAnyNominal, kAnyYear, kAnyVersion, nullptr).GetText(),
         L"*, Год: *, Версия. *"},
        {BlackListNominal(5, 2001, 'A', L"old").GetText(), L"5, Год: 2001, Версия. A // old"},
        {BlackListSub(true, L"0012", nullptr).GetText(), L"0012"},
        {BlackListSub(false, L"77", L"x").GetText(), L"77 // x"},
        {BlackListAnyNominal().GetText(), L"1, Год: 1995, Версия. *"},
        {BlackListRoot().GetText(), L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.shown, c.expected);
    }
    EXPECT_TRUE(BlackListAnyNominal().IsAnyNominal());
    EXPECT_FALSE(BlackListNominal(1, 1, 1, nullptr).IsAnyNominal());
    EXPECT_EQ(BlackListEnd().Kind(), kEndKind);
}

TEST(BlackListNodes, ParseTextReadsValueAndDenominationForms) {
    BlackListCurrency currency(L"", nullptr);
    EXPECT_TRUE(currency.ParseText(L"  EUR // first // second "));
    EXPECT_EQ(currency.currencyName, L"EUR");
    EXPECT_EQ(currency.comment, L"first // second");
    BlackListSub sub(true, L"", L"gone");
    EXPECT_TRUE(sub.ParseText(L"0012"));
    EXPECT_EQ(sub.text, L"0012");
    EXPECT_EQ(sub.comment, L"");

    BlackListNominal nominal(1, 2, 3, nullptr);
    EXPECT_TRUE(nominal.ParseText(L"100 1995 * // note"));
    EXPECT_EQ(nominal.nominal, 100u);
    EXPECT_EQ(nominal.year, 1995);
    EXPECT_EQ(nominal.version, 255);
    EXPECT_EQ(nominal.comment, L"note");
    EXPECT_TRUE(nominal.ParseText(L"4294967295 65535 66"));
    EXPECT_EQ(nominal.nominal, kAnyNominal);
    EXPECT_EQ(nominal.year, kAnyYear);
    EXPECT_EQ(nominal.version, 'B');

    // A wrong number of tokens or a bad number changes nothing.
    for (const wchar_t* line : {L"100  1995 *", L"100 1995", L"1 2 3 4", L""}) {
        EXPECT_FALSE(nominal.ParseText(line)) << line;
    }
    EXPECT_THROW(nominal.ParseText(L"abc 1995 *"), std::invalid_argument);
    EXPECT_THROW(nominal.ParseText(L"-1 1995 * // c"), std::invalid_argument);
    EXPECT_THROW(nominal.ParseText(L"12x 1995 *"), std::invalid_argument);
    EXPECT_THROW(nominal.ParseText(L"4294967296 1995 *"), std::out_of_range);
    EXPECT_THROW(nominal.ParseText(L"1 65536 *"), std::out_of_range);
    EXPECT_THROW(nominal.ParseText(L"1 1 256"), std::out_of_range);
    EXPECT_EQ(nominal.nominal, kAnyNominal);
    EXPECT_EQ(nominal.year, kAnyYear);
    EXPECT_EQ(nominal.version, 'B');
    EXPECT_EQ(nominal.comment, L"");
}

class ScriptedEditor : public BlackListEntryEditor {
public:
    bool confirm = true;
    NominalEntry seen;

    bool EditCurrency(std::wstring& name, std::wstring& comment) override {
        return Fill(name, comment);
    }
    bool EditSubstring(std::wstring& text, std::wstring& comment) override {
        return Fill(text, comment);
    }
    bool EditNominal(NominalEntry& entry) override {
        seen = entry;
        entry.nominal = 7;
        entry.year = 70000;  // the dialog's year is wider than the node's
        entry.anyNominal = true;
        entry.version = 'C';
        entry.comment = L"typed";
        return confirm;
    }

private:
    bool Fill(std::wstring& value, std::wstring& comment) {
        value = L"typed value";
        comment = L"typed comment";
        return confirm;
    }
};

TEST(BlackListNodes, EditWithDialogTakesValuesOnlyWhenConfirmed) {
    ScriptedEditor editor;
    editor.confirm = false;
    BlackListCurrency currency(L"USD", L"c");
    BlackListSub sub(true, L"12", nullptr);
    BlackListNominal nominal(100, kAnyYear, 'A', L"n");
    EXPECT_FALSE(currency.EditWithDialog(editor));
    EXPECT_FALSE(sub.EditWithDialog(editor));
    EXPECT_FALSE(nominal.EditWithDialog(editor));
    EXPECT_EQ(currency.GetText(), L"USD // c");
    EXPECT_EQ(sub.GetText(), L"12");
    EXPECT_EQ(nominal.GetText(), L"100, Год: *, Версия. A // n");
    EXPECT_EQ(editor.seen.year, kAnyYear);
    EXPECT_EQ(editor.seen.version, 'A');
    BlackListRoot root;
    EXPECT_FALSE(root.EditWithDialog(editor));

    editor.confirm = true;
    EXPECT_TRUE(currency.EditWithDialog(editor));
    EXPECT_TRUE(sub.EditWithDialog(editor));
    EXPECT_TRUE(nominal.EditWithDialog(editor));
    EXPECT_EQ(currency.GetText(), L"typed value // typed comment");
    EXPECT_EQ(sub.GetText(), L"typed value // typed comment");
    EXPECT_EQ(nominal.nominal, kAnyNominal);
    EXPECT_EQ(nominal.year, 70000 % 65536);
    EXPECT_EQ(nominal.version, 'C');
    EXPECT_EQ(nominal.comment, L"typed");
}

}  // namespace
}  // namespace vorn::blacklist
