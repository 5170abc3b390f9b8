#pragma once

#include <filesystem>
#include <functional>

#include <wx/dialog.h>

#include "agent/AgentProtocolTypes.h"

class wxButton;
class wxCheckBox;
class wxStaticText;
class wxTextCtrl;

namespace vorn {

class CHourMinuteCtrl;

// The windows the options dialog opens from its buttons. They belong to other parts of the
// program, so the main window hands them over; a button whose function is empty stays disabled.
// clang-format off
struct OptionDialogActions {
    std::function<void(wxWindow* parent)> openOfflineUpdate;                                   // button 1060
    std::function<void(wxWindow* parent, const std::filesystem::path& file)> openBlackListEditor; // 1143 with an empty path; 1145 after its file-open question (through platform::AskFile) with the chosen path
};
// clang-format on

// The settings window: the agent's update schedule (handed back to the caller, who sends it to
// the agent) and the program's own extraction, folder and time-out settings (written to the
// registry on OK, before the folders are checked, so they stay even when a folder cannot be
// made). It has no Cancel button: Escape and the close box cancel and change nothing.
class COptionDialog : public wxDialog {
public:
    enum Id : int {
        kServerNameId = 1014,
        kAutoUpdateId = 1015,
        kHotFolderId = 1016,
        kScansFolderId = 1017,
        kLoadTimeoutId = 1018,
        kOfflineUpdateId = 1060,
        kOtherDevicesId = 1065,
        kCheckTimeId = 1067,
        kDailyCheckId = 1068,
        kDailyCheckLabelId = 1069,
        kTimeFormatId = 1070,
        kAutoUpdateLabelId = 1071,
        kServerNameLabelId = 1072,
        kCountExtractionId = 1073,
        kLoadTimeoutLabelId = 1074,
        kNewBlackListId = 1143,
        kEditBlackListId = 1145,
        kCountExtractionLabelId = 1159,
        kCountPeriodId = 1163,
        kHotFolderLabelId = 1164,
        kScansFolderLabelId = 1166,
    };

    COptionDialog(wxWindow* parent, OptionDialogActions actions);

    // Shows these agent options and the stored program settings and runs the dialog modally;
    // returns wxID_OK or wxID_CANCEL.
    int RunWithOptions(const AgentOptions& options);
    // The edited agent options; after OK.
    const AgentOptions& GetOptions() const { return options_; }

    // Puts the options and the stored program settings into the controls (RunWithOptions does
    // this before it runs the dialog).
    void FillControls(const AgentOptions& options);

private:
    void ApplyDailyCheckState();
    void OnOK();
    void OnEditBlackList();
    void OpenBlackListEditor(const std::filesystem::path& file);

    OptionDialogActions actions_;
    AgentOptions options_;

    wxCheckBox* dailyCheck_ = nullptr;
    CHourMinuteCtrl* checkTime_ = nullptr;
    wxStaticText* timeFormat_ = nullptr;
    wxStaticText* autoUpdateLabel_ = nullptr;
    wxCheckBox* autoUpdate_ = nullptr;
    wxTextCtrl* serverName_ = nullptr;
    wxTextCtrl* loadTimeout_ = nullptr;
    wxCheckBox* countExtraction_ = nullptr;
    wxTextCtrl* countPeriod_ = nullptr;
    wxTextCtrl* hotFolder_ = nullptr;
    wxTextCtrl* scansFolder_ = nullptr;
};

}  // namespace vorn
