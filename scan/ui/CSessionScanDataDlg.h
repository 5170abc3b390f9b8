#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <wx/dialog.h>

#include "monitor/MainWindowOperations.h"
#include "monitor/NotificationViews.h"
#include "platform/ui/UiThreadCall.h"
#include "scan/ScanSessionRules.h"
#include "scan/SessionData.h"

class wxButton;
class wxChoice;
class wxGauge;
class wxHyperlinkCtrl;
class wxStaticText;
class wxTextCtrl;

namespace vorn {

class CAnimatedPicture;

// A banknote scanning session: the operator describes the notes about to be scanned on one
// device, has the agent fetch the scans, watches the count grow, then has the agent upload
// every stored scan or copies the last session's scans to the export folder. The main window
// owns one for its whole life; the last session outlives each showing.
class CSessionScanDataDlg : public wxDialog, public ScanSessionView {
public:
    enum Id : int {
        kTemplateId = 1034,
        kStartId = 1024,
        kStopId = 1036,
        kUinId = 1041,
        kCommentId = 1042,
        kAuthenticityId = 1043,
        kCurrencyId = 1044,
        kDenominationId = 1045,
        kYearId = 1046,
        kVersionId = 1047,
        kRotationId = 1048,
        kSideId = 1049,
        kUploadId = 1050,
        kUploadProgressId = 1051,
        kUploadCounterId = 1052,
        kErrorLinkId = 1053,
        kUploadDoneId = 1054,
        kScanCountId = 1055,
        kBusyId = 1056,
        kLastSessionId = 1059,
        kSaveToDiskId = 1168,
    };

    // errorRecord gives the main window's current error record, which the error link shows.
    CSessionScanDataDlg(wxWindow* parent, std::function<AgentErrorRecord()> errorRecord);
    ~CSessionScanDataDlg() override;

    // Takes the UINs of the devices that allow scanning and shows the dialog modally.
    virtual int DoModalWithDevices(const std::vector<std::wstring>& uins);
    // The opening steps, then shown without a modal loop (for tests and tools).
    void OpenWithDevices(const std::vector<std::wstring>& uins);
    // Showing opens the dialog to notifications, hiding closes it.
    bool Show(bool show = true) override;

    // ScanSessionView: called on the event channel's worker thread.
    void OnScanProgress(std::int32_t number, std::int32_t result) override;
    void OnUploadProgress(std::int32_t number, std::int32_t result) override;

    // Refuses further calls from workers and releases a waiting one; the owner calls it before
    // it stops the worker that calls this dialog.
    void CloseWindowCalls() { gate_.Close(); }

    const SessionData& LastSession() const { return lastSession_; }
    int StoredScans() const;
    CAnimatedPicture& BusyIndicator() { return *busy_; }

private:
    void CreateControls();
    void SetTemplateTexts();
    void Open(const std::vector<std::wstring>& uins);
    int RecountStoredScans();
    // Puts the rules' state on the buttons, the busy indicator and the session fields.
    void ShowState();
    std::wstring ExportFolder();
    void ShowUploadProgress(std::int32_t number);
    void Relayout();
    bool Send(const std::string& request);

    void OnStart();
    void OnStop();
    void OnUpload();
    void OnSaveToDisk();
    void OnLastSession();
    void OnErrorLink();

    std::function<AgentErrorRecord()> errorRecord_;
    std::vector<std::wstring> uins_;
    SessionData lastSession_;  // UI thread only
    mutable std::mutex rulesMutex_;
    ScanSessionRules rules_;  // changed by the UI thread and the notification worker
    std::atomic<bool> open_{false};

    wxChoice* uin_ = nullptr;
    wxChoice* authenticity_ = nullptr;
    wxTextCtrl* currency_ = nullptr;
    wxTextCtrl* denomination_ = nullptr;
    wxTextCtrl* comment_ = nullptr;
    wxTextCtrl* year_ = nullptr;
    wxTextCtrl* version_ = nullptr;
    wxChoice* rotation_ = nullptr;
    wxChoice* side_ = nullptr;
    wxButton* lastSessionButton_ = nullptr;
    CAnimatedPicture* busy_ = nullptr;
    wxButton* start_ = nullptr;
    wxButton* stop_ = nullptr;
    wxStaticText* scanCount_ = nullptr;
    wxButton* upload_ = nullptr;
    wxButton* saveToDisk_ = nullptr;
    wxStaticText* uploadDone_ = nullptr;
    wxHyperlinkCtrl* errorLink_ = nullptr;
    wxGauge* uploadProgress_ = nullptr;
    wxStaticText* uploadCounter_ = nullptr;
    std::vector<std::pair<wxWindow*, const wchar_t*>> templateTexts_;

    platform::UiThreadCall gate_;
};

}  // namespace vorn
