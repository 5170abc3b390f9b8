#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include <wx/dialog.h>

#include "monitor/MainWindowOperations.h"
#include "monitor/NotificationViews.h"
#include "platform/ui/UiThreadCall.h"

class wxButton;
class wxGauge;
class wxHyperlinkCtrl;
class wxHyperlinkEvent;
class wxStaticText;
class wxTextCtrl;

namespace vorn {

// Asks the agent to prepare an offline update for the device with a given UIN and follows the
// agent's progress. The request, which may wait for the agent for up to kAgentCallTimeout, is
// made on a worker so that the window stays responsive. The main window creates it once and keeps
// it; notification handling reaches it through OfflineUpdateView whether or not it is open.
class CPrepareOfflineUpdateDlg : public wxDialog, public OfflineUpdateView {
public:
    enum Id : int {
        kUinId = 1061,
        kStartId = 1062,
        kProgressId = 1063,
        kCounterId = 1064,
        kErrorLinkId = 1066,
    };

    // lastError: the main window's current error record, shown by the error link.
    CPrepareOfflineUpdateDlg(wxWindow* parent, std::function<AgentErrorRecord()> lastError);
    ~CPrepareOfflineUpdateDlg() override;

    // Each showing starts from a clean form: progress 0, no counter, no error link.
    int ShowModal() override;

    // The request to the agent is on its way.
    bool Requesting() const { return requesting_; }

    // Called on the event channel's worker thread; carried to the UI thread.
    void OnOfflineUpdateProgress(std::int32_t number, std::int32_t total, bool failed) override;

private:
    void Reset();
    void OnStart(wxCommandEvent& event);
    void OnRequestDone(bool sent);
    void OnErrorLink(wxHyperlinkEvent& event);
    void ApplyProgress(std::int32_t number, std::int32_t total, bool failed);
    void EnableButtons(bool enable);

    std::function<AgentErrorRecord()> lastError_;
    wxTextCtrl* uin_ = nullptr;
    wxButton* start_ = nullptr;
    wxButton* ok_ = nullptr;
    wxHyperlinkCtrl* errorLink_ = nullptr;
    wxGauge* progress_ = nullptr;
    wxStaticText* counter_ = nullptr;
    bool requesting_ = false;  // the request is on its way
    bool agentEnded_ = false;  // completion or an error came since the last start
    platform::UiThreadCall gate_;
    std::thread worker_;
};

}  // namespace vorn
