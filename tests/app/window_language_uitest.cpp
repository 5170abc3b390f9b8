#include "app/ui/WindowLanguage.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/stattext.h>

#include "LanguageTestSupport.h"

#include "platform/TextConversion.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using Localization::CVocabrix;

class WindowLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetTranslationStorage();
        frame = new wxFrame(nullptr, wxID_ANY, L"Главное окно");
        auto* bar = new wxMenuBar;
        auto* file = new wxMenu;
        file->Append(wxID_EXIT, L"Вы&ход\tCtrl+Q");
        file->AppendSeparator();
        file->Append(101, L"&Настройки");
        auto* sub = new wxMenu;
        sub->Append(102, L"Вложенный");
        file->AppendSubMenu(sub, L"Ещё");
        bar->Append(file, L"&Файл");
        frame->SetMenuBar(bar);
        button = new wxButton(frame, wxID_ANY, L"Обновить все");
        empty = new wxStaticText(frame, wxID_ANY, L"");
        panel = new wxPanel(frame, wxID_ANY);
        grandchild = new wxButton(panel, wxID_ANY, L"Обновить все");
        longText = new wxStaticText(frame, wxID_ANY, wxString(300, L'ж'));
        longUntranslated = new wxStaticText(frame, wxID_ANY, wxString(300, L'ё'));
    }
    void TearDown() override {
        frame->Destroy();
        test::ResetTranslationStorage();
    }

    void LoadEnglish() {
        ASSERT_TRUE(
            test::MakeLanguageDatabase(dir / "eng.db", "ENG",
                                       {{"Главное окно", "Main window"},
                                        {"Выход", "Exit"},
                                        {"Настройки", "Settings"},
                                        {"Ещё", "More"},
                                        {"Вложенный", "Nested"},
                                        {"Файл", "File"},
                                        {"Обновить все", "Update all"},
                                        {platform::WideToUtf8(std::wstring(259, L'ж')), "cut"}}));
        CVocabrix::Instance().SetTranslateOn(true);
        CVocabrix::Instance().SelectLanguage({"ENG", "English", (dir / "eng.db").wstring()});
    }

    test::TempDir dir;
    wxFrame* frame = nullptr;
    wxButton* button = nullptr;
    wxStaticText* empty = nullptr;
    wxPanel* panel = nullptr;
    wxButton* grandchild = nullptr;
    wxStaticText* longText = nullptr;
    wxStaticText* longUntranslated = nullptr;
};

TEST_F(WindowLanguageTest, WithoutLanguageNothingChanges) {
    EXPECT_FALSE(ApplyLanguageToWindow(nullptr));
    EXPECT_TRUE(ApplyLanguageToWindow(frame));
    EXPECT_EQ(frame->GetTitle(), L"Главное окно");
    EXPECT_EQ(button->GetLabel(), L"Обновить все");
    EXPECT_EQ(frame->GetMenuBar()->GetMenu(0)->FindItem(101)->GetItemLabel(), L"&Настройки");

    // Translation on but the language failed to load: still untouched.
    CVocabrix::Instance().SetTranslateOn(true);
    CVocabrix::Instance().SelectLanguage({"ENG", "English", L"/no/such.db"});
    EXPECT_TRUE(ApplyLanguageToWindow(frame));
    EXPECT_EQ(button->GetLabel(), L"Обновить все");
}

TEST_F(WindowLanguageTest, CaptionMenuOneLevelAndDirectChildren) {
    LoadEnglish();
    EXPECT_TRUE(ApplyLanguageToWindow(frame));
    EXPECT_EQ(frame->GetTitle(), L"Main window");

    wxMenuBar* bar = frame->GetMenuBar();
    EXPECT_EQ(bar->GetMenuLabel(0), L"&File");
    wxMenu* file = bar->GetMenu(0);
    // The access key was the third letter; the translation gets it on its first.
    EXPECT_EQ(file->FindItem(wxID_EXIT)->GetItemLabel(), L"&Exit\tCtrl+Q");
    EXPECT_EQ(file->FindItem(101)->GetItemLabel(), L"&Settings");
    wxMenuItem* more = file->FindItemByPosition(3);
    EXPECT_EQ(more->GetItemLabel(), L"&More");
    EXPECT_EQ(more->GetSubMenu()->FindItem(102)->GetItemLabel(), L"Вложенный");

    EXPECT_EQ(button->GetLabel(), L"Update all");
    EXPECT_EQ(empty->GetLabel(), L"");
    EXPECT_EQ(grandchild->GetLabel(), L"Обновить все");
    // Longer texts are cut to 259 characters before the lookup.
    EXPECT_EQ(longText->GetLabel(), L"cut");
    // Without a translation a long text keeps its end.
    EXPECT_EQ(longUntranslated->GetLabel(), wxString(300, L'ё'));
}

}  // namespace
}  // namespace vorn
