// The options dialog that the main window opens starts the black list editor: a new list from
// "Новый чёрный список", the chosen file from "Редакт. чёрный список".

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "blacklist/Composer.h"
#include "blacklist/ui/CBlackListDlg.h"
#include "dialogs/ui/COptionDialog.h"
#include "main_window_test_support.h"
#include "program/CUpdateCtrlDlg.h"
#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

TEST(BlackListEditorFlow, OptionButtonsOpenTheEditorOnANewListAndOnAChosenFile) {
    test::TempDir registry;
    test::ScopedEnv registryEnv("VORN_REGISTRY_DIR", registry.path().string());
    test::PrivatePipeNamespace pipes;
    test::FakeAgent agent;
    agent.Reply("<getoptions/>",
                "<options server_name=\"upd.example\" autoupdate=\"1\" "
                "check_firmware_updates_time=\"04:30\" check_firmware_updates_enabled=\"1\"/>");
    platform::DesktopTray::OverrideAvailability(false);
    auto* window = new CUpdateCtrlDlg(false);
    test::Pump();

    test::TempDir folder;
    const std::filesystem::path file = folder / "eur.blist";
    blacklist::Composer composer(file);
    composer.AddRoot();
    composer.AddCurrency("EUR", "");
    composer.AddEnd();
    composer.AddEnd();
    ASSERT_TRUE(composer.Save());

    platform::ModalAnswers answers;
    std::vector<std::string> editors;  // the currency each editor showed
    answers.SetHandler([&](wxDialog& dialog) {
        if (auto* options = dynamic_cast<COptionDialog*>(&dialog)) {
            wxCommandEvent newList(wxEVT_BUTTON, COptionDialog::kNewBlackListId);
            options->ProcessWindowEvent(newList);
            answers.Answer(wxID_OK, file.string());
            wxCommandEvent editList(wxEVT_BUTTON, COptionDialog::kEditBlackListId);
            options->ProcessWindowEvent(editList);
            return int{wxID_CANCEL};
        }
        if (auto* editor = dynamic_cast<CBlackListDlg*>(&dialog)) {
            wxTreeCtrl& tree = editor->Tree();
            editors.push_back(
                tree.GetItemText(tree.GetLastChild(tree.GetRootItem())).utf8_string());
        }
        return int{wxID_CANCEL};
    });
    wxCommandEvent settings(wxEVT_BUTTON, CUpdateCtrlDlg::kSettingsId);
    window->ProcessWindowEvent(settings);
    EXPECT_EQ(editors, (std::vector<std::string>{"USD // Currency Comment", "EUR"}));

    delete window;
    test::Pump();
    platform::DesktopTray::OverrideAvailability(std::nullopt);
}

}  // namespace
}  // namespace vorn
