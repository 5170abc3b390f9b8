#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "blacklist/BlackListText.h"
#include "blacklist/BlackListTree.h"
#include "blacklist/Composer.h"
#include "blacklist/ui/AddSubString.h"
#include "blacklist/ui/CAddCurrency.h"
#include "blacklist/ui/CAddNominalDlg.h"
#include "blacklist/ui/CBlackListDlg.h"
#include "platform/ui/ModalQuestions.h"
#include "support/Screenshot.h"
#include "support/TestEnvironment.h"
#include "support/UiPump.h"
#include "translation/Vocabrix.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::AskedQuestion;
using platform::ModalAnswers;

// Presses OK the way the operator would, so the dialog's own checks run; the dialog's result.
int ClickOk(wxDialog& dialog) {
    dialog.SetReturnCode(0);
    wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
    click.SetEventObject(dialog.FindWindow(wxID_OK));
    dialog.GetEventHandler()->ProcessEvent(click);
    return dialog.GetReturnCode();
}

void Command(wxWindow& window, wxEventType type, int id) {
    wxCommandEvent event(type, id);
    window.GetEventHandler()->ProcessEvent(event);
}

void SetText(wxDialog& dialog, int id, const wxString& text) {
    static_cast<wxTextCtrl*>(dialog.FindWindow(id))->ChangeValue(text);
}

// Each line: two spaces per level below the top item, then the item's text.
std::string TreeLines(wxTreeCtrl& tree, const wxTreeItemId& item, int level = 0) {
    std::string out = std::string(static_cast<std::size_t>(2 * level), ' ') +
                      tree.GetItemText(item).utf8_string() + "\n";
    wxTreeItemIdValue cookie;
    for (auto child = tree.GetFirstChild(item, cookie); child.IsOk();
         child = tree.GetNextChild(item, cookie)) {
        out += TreeLines(tree, child, level + 1);
    }
    return out;
}

wxTreeItemId FindItem(wxTreeCtrl& tree, const wxString& text) {
    std::vector<wxTreeItemId> pending{tree.GetRootItem()};
    while (!pending.empty()) {
        const wxTreeItemId item = pending.back();
        pending.pop_back();
        if (tree.GetItemText(item) == text) {
            return item;
        }
        wxTreeItemIdValue cookie;
        for (auto child = tree.GetFirstChild(item, cookie); child.IsOk();
             child = tree.GetNextChild(item, cookie)) {
            pending.push_back(child);
        }
    }
    return {};
}

// Answers every entry dialog by filling it from `fill` and pressing OK; message boxes get OK.
struct Operator {
    ModalAnswers answers;
    std::function<void(wxDialog&)> fill;
    std::vector<wxString> messages;

    Operator() {
        answers.SetHandler([this](wxDialog& dialog) {
            if (auto* message = dynamic_cast<wxMessageDialogBase*>(&dialog)) {
                messages.push_back(message->GetMessage());
                return int{wxID_OK};
            }
            if (fill) {
                fill(dialog);
            }
            return ClickOk(dialog);
        });
    }
};

void WriteList(const fs::path& file, const std::wstring& text) {
    const blacklist::ParsedTree parsed = blacklist::TextToTree(text);
    ASSERT_TRUE(parsed.root) << parsed.error;
    blacklist::Composer composer(file);
    ASSERT_EQ(blacklist::WriteTree(composer, *parsed.root), blacklist::kComposeOk);
    ASSERT_TRUE(composer.Save());
}

TEST(BlackListEditor, NewListButtonsAndContextMenuFollowTheSelection) {
    CBlackListDlg editor(nullptr, {});
    wxTreeCtrl& tree = editor.Tree();
    EXPECT_EQ(TreeLines(tree, tree.GetRootItem()), "The Black List\n  USD // Currency Comment\n");
    EXPECT_TRUE(tree.IsExpanded(tree.GetRootItem()));
    EXPECT_FALSE(editor.IsModified());

    const wxTreeItemId top = tree.GetRootItem();
    const wxTreeItemId usd = tree.GetLastChild(top);
    const struct {
        wxTreeItemId item;
        bool addCurrency, addNominal, addSub, editAndDelete;
    } cases[] = {{top, true, false, false, false}, {usd, false, true, false, true}};
    for (const auto& c : cases) {
        const auto menu = editor.PrepareContextMenu(c.item);
        EXPECT_EQ(tree.GetSelection(), c.item);
        EXPECT_EQ(menu->IsEnabled(CBlackListDlg::kAddCurrencyId), c.addCurrency);
        EXPECT_EQ(menu->IsEnabled(CBlackListDlg::kAddNominalId), c.addNominal);
        EXPECT_EQ(menu->IsEnabled(CBlackListDlg::kAddSubId), c.addSub);
        EXPECT_EQ(menu->FindItem(CBlackListDlg::kEditId) != nullptr, c.editAndDelete);
        EXPECT_EQ(menu->FindItem(CBlackListDlg::kDeleteId) != nullptr, c.editAndDelete);
        editor.UpdateButtons();
        EXPECT_EQ(editor.FindWindow(CBlackListDlg::kEditId)->IsEnabled(), c.editAndDelete);
        EXPECT_EQ(editor.FindWindow(CBlackListDlg::kDeleteId)->IsEnabled(), c.editAndDelete);
        EXPECT_TRUE(editor.FindWindow(CBlackListDlg::kAddId)->IsEnabled());
    }
}

TEST(BlackListEditor, AddsUnderEachKindUpToTheNestingLimitAndSearches) {
    CBlackListDlg editor(nullptr, {});
    wxTreeCtrl& tree = editor.Tree();
    Operator person;
    int counter = 0;
    person.fill = [&](wxDialog& dialog) {
        if (dynamic_cast<CAddCurrency*>(&dialog) != nullptr) {
            SetText(dialog, CAddCurrency::kValueId, "EUR");
        } else if (dynamic_cast<CAddNominalDlg*>(&dialog) != nullptr) {
            // A new denomination comes with 100, 1995 and any version.
            EXPECT_EQ(
                static_cast<wxTextCtrl*>(dialog.FindWindow(CAddNominalDlg::kNominalId))->GetValue(),
                "100");
            EXPECT_EQ(
                static_cast<wxTextCtrl*>(dialog.FindWindow(CAddNominalDlg::kYearId))->GetValue(),
                "1995");
            EXPECT_EQ(static_cast<wxChoice*>(dialog.FindWindow(CAddNominalDlg::kVersionId))
                          ->GetSelection(),
                      0);
        } else {
            SetText(dialog, AddSubString::kValueId, wxString::Format("00%d", ++counter + 10));
        }
    };

    tree.SelectItem(tree.GetRootItem());
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kAddId);
    const wxTreeItemId eur = FindItem(tree, "EUR");
    ASSERT_TRUE(eur.IsOk());
    EXPECT_TRUE(editor.IsModified());
    tree.SelectItem(eur);
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kAddId);
    wxTreeItemId level = FindItem(tree, wxString(L"100, Год: 1995, Версия. *"));
    ASSERT_TRUE(level.IsOk());
    // Seven nested serial numbers; the menu offers no eighth and the button refuses it.
    for (int i = 1; i <= CBlackListDlg::kMaxNesting; ++i) {
        EXPECT_TRUE(editor.PrepareContextMenu(level)->IsEnabled(CBlackListDlg::kAddSubId)) << i;
        Command(editor, wxEVT_MENU, CBlackListDlg::kAddSubId);
        level = tree.GetLastChild(level);
        ASSERT_TRUE(level.IsOk());
        EXPECT_EQ(editor.NestingLevel(level), i);
    }
    EXPECT_FALSE(editor.PrepareContextMenu(level)->IsEnabled(CBlackListDlg::kAddSubId));
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kAddId);
    EXPECT_EQ(tree.GetChildrenCount(level), 0u);
    ASSERT_FALSE(person.messages.empty());
    EXPECT_EQ(person.messages.back(), wxString(L"Достигнут максимальный уровень вложенности"));

    // Search: case folded, "12" finds "0012", the box empties.
    auto* search = static_cast<wxTextCtrl*>(editor.FindWindow(CBlackListDlg::kSearchTextId));
    search->ChangeValue("12");
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kSearchId);
    EXPECT_EQ(tree.GetItemText(tree.GetSelection()), "0012");
    EXPECT_TRUE(search->IsEmpty());
    search->ChangeValue("eu");
    Command(editor, wxEVT_TEXT_ENTER, CBlackListDlg::kSearchTextId);
    EXPECT_EQ(tree.GetSelection(), eur);
    search->ChangeValue("nowhere");
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kSearchId);
    EXPECT_EQ(person.messages.back(), wxString(L"Ничего не нашлось"));
    EXPECT_EQ(search->GetValue(), "nowhere");

    // Editing and cancelling keeps the entry but marks the list changed; deleting takes the
    // whole branch.
    person.answers.SetHandler([](wxDialog& dialog) {
        return dynamic_cast<wxMessageDialogBase*>(&dialog) ? int{wxID_OK} : int{wxID_CANCEL};
    });
    tree.SelectItem(eur);
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kEditId);
    EXPECT_EQ(tree.GetItemText(eur), "EUR");
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kDeleteId);
    EXPECT_EQ(TreeLines(tree, tree.GetRootItem()), "The Black List\n  USD // Currency Comment\n");
    EXPECT_TRUE(editor.IsModified());
}

TEST(BlackListEditor, SavesWhatItLoadsAndAFailedSaveKeepsTheOldFile) {
    test::TempDir folder;
    const fs::path file = folder / "list.blist";
    WriteList(file,
              L"USD // dollars\n  100 1995 66 // hundred\n    7 // group\n      71\n"
              L"    0012\n  * * *\nRUB\n");
    const std::string original = test::ReadFileBytes(file);

    Operator person;
    std::string shown;
    {
        CBlackListDlg editor(nullptr, file);
        shown = TreeLines(editor.Tree(), editor.Tree().GetRootItem());
        EXPECT_EQ(editor.GetTitle(),
                  wxString(file.string()) + wxString(L" - Редактор (ESC - завершить работу)"));
        EXPECT_EQ(shown, std::string("The Black List\n  USD // dollars\n") +
                             "    100, Год: 1995, Версия. B // hundred\n      7 // group\n"
                             "        71\n      0012\n    *, Год: *, Версия. *\n  RUB\n");
        const fs::path copy = folder / "copy";  // the extension comes from the picker
        person.answers.Answer(wxID_OK);
        person.answers.Answer(wxID_OK, copy.string());
        person.answers.Answer(wxID_OK);
        Command(editor, wxEVT_BUTTON, CBlackListDlg::kSaveId);
        EXPECT_EQ(test::ReadFileBytes(folder / "copy.blist"), original);
        EXPECT_EQ(person.answers.asked().back().text, wxString(L"Успешно сохранено."));
        EXPECT_EQ(person.answers.asked()[1].fileName, "*.blist");
    }
    {
        CBlackListDlg reopened(nullptr, folder / "copy.blist");
        EXPECT_EQ(TreeLines(reopened.Tree(), reopened.Tree().GetRootItem()), shown);
    }

    // A list one record short of the capacity: adding a serial number makes it too large.
    std::wstring big = L"USD\n  1 2000 *\n";
    for (int i = 0; i < 3568; ++i) {
        big += L"    " + std::to_wstring(1000000 + i) + L"\n";
    }
    WriteList(file, big);
    const std::string full = test::ReadFileBytes(file);
    ASSERT_GT(full.size(), blacklist::kImageCapacity - 32);
    CBlackListDlg editor(nullptr, file);
    person.answers.ClearAsked();
    person.fill = [](wxDialog& dialog) { SetText(dialog, AddSubString::kValueId, "123456789"); };
    editor.Tree().SelectItem(FindItem(editor.Tree(), wxString(L"1, Год: 2000, Версия. *")));
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kAddId);
    ASSERT_TRUE(editor.IsModified());
    person.answers.Answer(wxID_OK);
    person.answers.Answer(wxID_OK, file.string());
    person.answers.Answer(wxID_OK);
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kSaveId);
    EXPECT_EQ(person.answers.asked().back().text, wxString(L"Не удалось сохранить чёрный список."));
    EXPECT_EQ(person.answers.asked().back().style & wxICON_STOP, wxICON_STOP);
    EXPECT_EQ(test::ReadFileBytes(file), full);
    EXPECT_TRUE(editor.IsModified());
}

// A list whose substring 77 sits directly under the currency USD, as the editor shows under
// "Any".
bool WriteSubstringUnderCurrency(const fs::path& file) {
    blacklist::Composer composer(file);
    composer.AddRoot();
    composer.AddCurrency("USD", "");
    composer.AddSub(u"77", "", blacklist::kPlainSubRecord);
    composer.AddEnd();
    composer.AddEnd();
    return composer.Save();
}

TEST(BlackListEditor, LoadingFillsInAnyAndRefusesDamage) {
    test::TempDir folder;
    const fs::path file = folder / "list.blist";
    ASSERT_TRUE(WriteSubstringUnderCurrency(file));
    Operator person;
    {
        CBlackListDlg editor(nullptr, file);
        EXPECT_EQ(TreeLines(editor.Tree(), editor.Tree().GetRootItem()),
                  "The Black List\n  USD\n    Any\n      77\n");
        EXPECT_TRUE(person.messages.empty());
    }
    std::string damaged = test::ReadFileBytes(file);
    damaged[16] = 0x7F;  // the currency's size runs past the end
    test::WriteFileBytes(file, damaged);
    CBlackListDlg editor(nullptr, file);
    EXPECT_FALSE(editor.Tree().GetRootItem().IsOk());
    EXPECT_EQ(person.messages, std::vector<wxString>{wxString(L"Контейнер недоступен")});
    EXPECT_FALSE(editor.FindWindow(CBlackListDlg::kAddId)->IsEnabled());
}

// Saving refuses what no reader would take back as it was, and the old file stays.
TEST(BlackListEditor, SaveKeepsAnyDirectlyUnderItsCurrencyAndRefusesWhatCannotBeRead) {
    test::TempDir folder;
    const fs::path file = folder / "list.blist";
    ASSERT_TRUE(WriteSubstringUnderCurrency(file));
    const std::string original = test::ReadFileBytes(file);
    const wxString anyRefused =
        L"Список нельзя сохранить: серийные номера без вложенных номеров "
        L"прямо под валютой («Any») не могут стоять в файле рядом с "
        L"номиналами этой валюты. Перенесите их под номинал.";
    const struct {
        const char* what;
        std::function<void(CBlackListDlg&)> change;  // before the save
        bool picksFile;
        wxString told;  // the last message
        std::string kept;
    } cases[] = {
        {"unchanged", [](CBlackListDlg&) {}, true, L"Успешно сохранено.", original},
        {"a denomination beside Any",
         [](CBlackListDlg& editor) {
             editor.Tree().SelectItem(FindItem(editor.Tree(), "USD"));
             Command(editor, wxEVT_BUTTON, CBlackListDlg::kAddId);
         },
         true, anyRefused, original},
        {"no currency",
         [](CBlackListDlg& editor) {
             editor.Tree().SelectItem(FindItem(editor.Tree(), "USD"));
             Command(editor, wxEVT_BUTTON, CBlackListDlg::kDeleteId);
         },
         false, L"В списке нет ни одной валюты: сохранять нечего.", original},
    };
    for (const auto& c : cases) {
        test::WriteFileBytes(file, original);
        Operator person;
        CBlackListDlg editor(nullptr, file);
        c.change(editor);
        person.answers.ClearAsked();
        person.answers.Answer(wxID_OK);
        if (c.picksFile) {
            person.answers.Answer(wxID_OK, file.string());
        }
        person.answers.Answer(wxID_OK);
        Command(editor, wxEVT_BUTTON, CBlackListDlg::kSaveId);
        ASSERT_FALSE(person.answers.asked().empty()) << c.what;
        EXPECT_EQ(person.answers.asked().back().text, c.told) << c.what;
        EXPECT_EQ(person.answers.asked().size(), c.picksFile ? 3u : 2u) << c.what;
        EXPECT_EQ(test::ReadFileBytes(file), c.kept) << c.what;
    }

    // Numbers typed for "Any" make it a denomination of its own.
    Operator person;
    CBlackListDlg editor(nullptr, file);
    person.fill = [](wxDialog& dialog) {
        static_cast<wxCheckBox*>(dialog.FindWindow(CAddNominalDlg::kAnyNominalId))->SetValue(false);
        SetText(dialog, CAddNominalDlg::kNominalId, "50");
    };
    editor.Tree().SelectItem(FindItem(editor.Tree(), "Any"));
    Command(editor, wxEVT_BUTTON, CBlackListDlg::kEditId);
    EXPECT_EQ(TreeLines(editor.Tree(), editor.Tree().GetRootItem()),
              "The Black List\n  USD\n    50, Год: 1995, Версия. *\n      77\n");
    const wxTreeItemId edited = FindItem(editor.Tree(), L"50, Год: 1995, Версия. *");
    ASSERT_TRUE(edited.IsOk());
    EXPECT_FALSE(blacklist::IsAnyNominal(editor.NodeOf(edited)));
}

TEST(BlackListEditor, EscapeClosesAtOnceAndTheCloseBoxAsksFirst) {
    Operator person;
    auto* editor = new CBlackListDlg(nullptr, {});
    editor->Show();
    editor->Tree().SelectItem(editor->Tree().GetLastChild(editor->Tree().GetRootItem()));
    Command(*editor, wxEVT_BUTTON, CBlackListDlg::kDeleteId);
    ASSERT_TRUE(editor->IsModified());

    person.answers.Answer(wxID_NO);
    editor->Close();
    EXPECT_TRUE(editor->IsShown());
    EXPECT_EQ(person.answers.asked().back().text,
              wxString(L"Изменения не сохранены, всё равно выйти?"));
    person.answers.Answer(wxID_YES);
    editor->Close();
    EXPECT_FALSE(editor->IsShown());

    editor->Show();
    person.answers.ClearAsked();
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    editor->GetEventHandler()->ProcessEvent(escape);
    EXPECT_FALSE(editor->IsShown());
    EXPECT_TRUE(person.answers.asked().empty());
    editor->Destroy();
    test::Pump(20ms);
}

TEST(BlackListEntryDialogs, PrefillAndOkChecks) {
    Operator person;
    CAddNominalDlg any(nullptr, blacklist::kAnyNominal, 0xFFFF, 'C', L"c");
    auto* nominal = static_cast<wxTextCtrl*>(any.FindWindow(CAddNominalDlg::kNominalId));
    auto* year = static_cast<wxTextCtrl*>(any.FindWindow(CAddNominalDlg::kYearId));
    auto* anyNominal = static_cast<wxCheckBox*>(any.FindWindow(CAddNominalDlg::kAnyNominalId));
    auto* anyYear = static_cast<wxCheckBox*>(any.FindWindow(CAddNominalDlg::kAnyYearId));
    auto* version = static_cast<wxChoice*>(any.FindWindow(CAddNominalDlg::kVersionId));
    EXPECT_EQ(nominal->GetValue(), "100");
    EXPECT_EQ(year->GetValue(), "1973");
    EXPECT_TRUE(anyNominal->GetValue() && anyYear->GetValue());
    EXPECT_FALSE(nominal->IsEnabled() || year->IsEnabled());
    EXPECT_EQ(version->GetStringSelection(), " C");
    EXPECT_EQ(version->GetCount(), 27u);

    // Unticked: a nominal of 0 or a year of 0 or above 65534 keeps the dialog open.
    const struct {
        const char* nominalText;
        const char* yearText;
        const wchar_t* message;  // nothing: accepted
    } cases[] = {
        {"0", "2000", L"Введите номинал"},           {"", "2000", L"Введите номинал"},
        {"99999999999", "2000", L"Введите номинал"}, {"5", "0", L"Введите год выпуска"},
        {"5", "65535", L"Введите год выпуска"},      {"5", "2000", nullptr},
    };
    anyNominal->SetValue(false);
    anyYear->SetValue(false);
    for (const auto& c : cases) {
        nominal->ChangeValue(c.nominalText);
        year->ChangeValue(c.yearText);
        person.messages.clear();
        EXPECT_EQ(ClickOk(any), c.message ? 0 : int{wxID_OK}) << c.nominalText << " " << c.yearText;
        EXPECT_EQ(person.messages.size(), c.message ? 1u : 0u);
        if (c.message && !person.messages.empty()) {
            EXPECT_EQ(person.messages[0], wxString(c.message));
        }
    }
    const blacklist::NominalEntry entry = any.Entry();
    EXPECT_EQ(entry.nominal, 5u);
    EXPECT_EQ(entry.year, 2000);
    EXPECT_EQ(entry.version, 'C');
    anyNominal->SetValue(true);
    nominal->ChangeValue("0");
    SetText(any, CAddNominalDlg::kCommentId, "$$$VK_END$$$");
    person.messages.clear();
    EXPECT_EQ(ClickOk(any), 0);
    EXPECT_EQ(person.messages, std::vector<wxString>{wxString(kListMarkerMessage)});
    SetText(any, CAddNominalDlg::kCommentId, "c");
    EXPECT_EQ(ClickOk(any), wxID_OK);

    // The two-field dialogs: empty both refused, a comment alone accepted, too long refused.
    CAddCurrency currency(nullptr, L"", L"");
    AddSubString sub(nullptr, L"", L"");
    const struct {
        ValueEntryDialog* dialog;
        std::wstring value, comment;
        const wchar_t* message;
    } values[] = {
        {&currency, L"", L"", L"Введите имя валюты"},
        {&currency, L"", L"only a comment", nullptr},
        {&currency, std::wstring(127, L'Ж'), L"", L"Слишком длинное имя валюты"},
        {&currency, std::wstring(126, L'Ж'), L"", nullptr},
        {&currency, L"USD", std::wstring(64, L'Ж'), L"Слишком длинный комментарий"},
        {&sub, L"", L"", L"Введите строку"},
        {&sub, std::wstring(127, L'7'), L"", L"Слишком длинный серийный номер"},
        {&sub, std::wstring(126, L'Ж'), std::wstring(126, L'c'), nullptr},
        {&currency, L"$$$VK_END$$$", L"", kListMarkerMessage},
        {&currency, L"USD", L"a $$$VK_END$$$", kListMarkerMessage},
        {&sub, L"12", L"$$$VK_END$$$", kListMarkerMessage},
    };
    for (const auto& c : values) {
        SetText(*c.dialog, ValueEntryDialog::kValueId, c.value);
        SetText(*c.dialog, ValueEntryDialog::kCommentId, c.comment);
        person.messages.clear();
        EXPECT_EQ(ClickOk(*c.dialog), c.message ? 0 : int{wxID_OK}) << c.dialog->GetTitle();
        ASSERT_EQ(person.messages.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(person.messages[0], wxString(c.message));
        }
        EXPECT_EQ(c.dialog->Value(), c.value);
    }
}

// Saves the picture of a window and checks that every text it labels itself with speaks the
// interface language: Cyrillic in Russian, none left over in English.
void Shoot(wxWindow& window, const std::string& name, bool english) {
    test::SaveScreenshot(window, name);
    int labels = 0;
    for (const wxWindow* child : window.GetChildren()) {
        if (dynamic_cast<const wxStaticText*>(child) == nullptr &&
            dynamic_cast<const wxCheckBox*>(child) == nullptr) {
            continue;
        }
        const std::wstring label = child->GetLabel().ToStdWstring();
        const bool cyrillic = std::any_of(label.begin(), label.end(),
                                          [](wchar_t c) { return c >= 0x400 && c <= 0x4FF; });
        EXPECT_EQ(cyrillic, !english) << name << ": " << child->GetLabel();
        ++labels;
    }
    EXPECT_GT(labels, 0) << name;
    window.Hide();
}

TEST(BlackListScreenshots, EditorAndEntryDialogsInBothLanguages) {
    test::TempDir folder;
    const fs::path file = folder / "list.blist";
    WriteList(file,
              L"USD // US dollars\n  100 1995 66 // series 1995\n    0012 // group\n"
              L"      00123\n    771\n  * * *\n    9\nEUR\n  50 2002 *\n");
    auto& storage = Localization::CVocabrix::Instance();
    for (const char* language : {"ru", "en"}) {
        if (std::string(language) == "en") {
            storage.SetTranslateOn(true);
            storage.SelectLanguage(
                {"ENG", "English", (fs::path(VORN_BIN_DIR) / "english.db").wstring()});
        }
        const bool english = std::string(language) == "en";
        const std::string suffix = std::string("-") + language;
        {
            CBlackListDlg editor(nullptr, file);
            editor.Move(20, 20);
            editor.Tree().SelectItem(FindItem(editor.Tree(), "0012 // group"));
            Shoot(editor, "blacklist-editor" + suffix, english);
        }
        {
            CAddCurrency dialog(nullptr, L"USD", L"US dollars");
            Shoot(dialog, "blacklist-currency" + suffix, english);
        }
        {
            CAddNominalDlg dialog(nullptr, 100, 0xFFFF, 'B', L"series 1995");
            Shoot(dialog, "blacklist-denomination" + suffix, english);
        }
        {
            AddSubString dialog(nullptr, L"0012", L"");
            Shoot(dialog, "blacklist-serial-number" + suffix, english);
        }
    }
    storage.CleanUp();
    storage.SetTranslateOn(false);
}

}  // namespace
}  // namespace vorn
