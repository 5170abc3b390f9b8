#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/stattext.h>

#include "app/LanguageTestSupport.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "platform/KnownFolders.h"
#include "platform/RegistryStore.h"
#include "platform/ui/DesktopTray.h"
#include "program/CUpdateCtrlDlg.h"
#include "support/LanguageFiles.h"
#include "support/TestEnvironment.h"
#include "support/UiPump.h"
#include "translation/Vocabrix.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::LanguageFilesBesideProgram;

TEST(MainWindowEnglish, CurrentLanguageEngGivesTheEnglishInterface) {
    test::TempDir registry;
    test::ScopedEnv registryEnv("VORN_REGISTRY_DIR", registry.path().string());
    test::PrivatePipeNamespace pipes;  // no agent: every request fails at once
    LanguageFilesBesideProgram languages;
    ASSERT_TRUE(platform::RegistryStore(platform::RegistryRoot::CurrentUser)
                    .WriteString("Software\\Quorin\\Zelt\\AgentZelt", "CurrentLanguage", "ENG"));
    platform::DesktopTray::OverrideAvailability(false);

    auto* window = new CUpdateCtrlDlg(false);
    auto label = [&](int id) { return window->FindWindow(id)->GetLabel(); };
    EXPECT_EQ(label(CUpdateCtrlDlg::kUpdateAllId), "Update all");
    EXPECT_EQ(label(CUpdateCtrlDlg::kUpdateDeviceId), "Update device firmware");
    EXPECT_EQ(label(CUpdateCtrlDlg::kSettingsId), "Settings...");
    EXPECT_EQ(label(CUpdateCtrlDlg::kLastCheckLabelId), "Last check:");
    // No agent answered the request for the devices.
    EXPECT_EQ(label(CUpdateCtrlDlg::kStatusId), "The update service does not respond");
    EXPECT_EQ(window->FindWindow(CUpdateCtrlDlg::kCheckNowId)->GetToolTipText(),
              "Check for updates");
    // The toolkit's own texts follow the interface: English stays English.
    test::Pump();
    EXPECT_EQ(wxGetTranslation("Cancel"), "Cancel");
    EXPECT_EQ(window->FindWindow(CUpdateCtrlDlg::kUpdateAllId)->GetToolTipText(),
              "Apply the available updates to the connected devices");
    // The caption is the program's name and version in every language.
    EXPECT_EQ(window->GetTitle(), "Vorn Update v2.2.1.2293");
    wxListItem column;
    column.SetMask(wxLIST_MASK_TEXT);
    ASSERT_TRUE(window->List().GetColumn(0, column));
    EXPECT_EQ(column.GetText(), "Model");
    EXPECT_EQ(window->BuildTrayMenu()->GetLabelText(CUpdateCtrlDlg::kTrayShowHideId), "Hide");

    delete window;
    // The window cleans the storage up when it goes.
    Localization::CVocabrix::Instance().SetTranslateOn(false);
    platform::DesktopTray::OverrideAvailability(std::nullopt);
}

// The window is sized for the texts it shows, not for the ones it was built with.
TEST(MainWindowEnglish, ALongerTranslationGetsItsRoom) {
    test::TempDir registry;
    test::ScopedEnv registryEnv("VORN_REGISTRY_DIR", registry.path().string());
    test::PrivatePipeNamespace pipes;
    const fs::path folder = platform::ProgramFolder();
    const std::string longText =
        "Apply every firmware update that is available to every connected device at once, "
        "whatever its model, its variant and its place in the list";
    ASSERT_TRUE(
        test::MakeLanguageDatabase(folder / "long_texts.db", "LNG", {{"Обновить все", longText}}));
    {
        std::ofstream catalogue(folder / "languages.xml");
        catalogue << "<languages><language id=\"LNG\" name=\"English\" "
                     "file_path=\"long_texts.db\"/></languages>";
    }
    ASSERT_TRUE(platform::RegistryStore(platform::RegistryRoot::CurrentUser)
                    .WriteString("Software\\Quorin\\Zelt\\AgentZelt", "CurrentLanguage", "LNG"));
    platform::DesktopTray::OverrideAvailability(false);

    auto* window = new CUpdateCtrlDlg(false);
    wxWindow* button = window->FindWindow(CUpdateCtrlDlg::kUpdateAllId);
    ASSERT_EQ(button->GetLabel(), longText);
    button->Show();
    EXPECT_GE(button->GetSize().x, button->GetBestSize().x);
    EXPECT_LE(button->GetRect().GetRight(), window->GetClientSize().x);

    delete window;
    Localization::CVocabrix::Instance().SetTranslateOn(false);
    platform::DesktopTray::OverrideAvailability(std::nullopt);
    for (const char* name : {"long_texts.db", "languages.xml"}) {
        std::error_code ignored;
        fs::remove(folder / name, ignored);
    }
}

}  // namespace
}  // namespace vorn
