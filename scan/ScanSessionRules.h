#pragma once

// What the scan session dialog's buttons allow, decided without windows. Fetching and uploading
// are the agent's work: the dialog starts them and hears of their end in notifications.

namespace vorn {

class ScanSessionRules {
public:
    // A showing starts from the template: idle, nothing uploading, the stored scans just
    // counted. (Notifications that came while it was closed were not heard, so a fetch the
    // agent still runs is not known here; saving therefore deletes only what it copied.)
    void Open(int storedScans);
    // A start whose request went through.
    void StartAccepted();
    // A stop whose request went through: the stop button waits for the end of the fetch.
    void StopAccepted();
    // The fetch has ended (result 1), with the stored scans counted again.
    void FetchFinished(int storedScans);
    // The stored scans counted again (before an upload or a save).
    void Counted(int storedScans) { storedScans_ = storedScans; }
    // An upload whose request went through.
    void UploadAccepted();
    // The upload has ended well (result 1): its buttons stay off until the next count.
    void UploadFinished();
    // The upload has failed (result 2), with the stored scans counted again.
    void UploadFailed(int storedScans);

    bool Fetching() const { return fetching_; }
    int StoredScans() const { return storedScans_; }

    bool StartShown() const { return !fetching_; }
    bool StopEnabled() const { return fetching_ && !stopRequested_; }
    // The session fields and "Установить данные последней сессии".
    bool FieldsEnabled() const { return !fetching_; }
    bool UploadEnabled() const { return upload_ == Upload::None && storedScans_ > 0; }
    // Copying while scans still arrive or leave would save part of a session and delete the
    // rest with the stored copy.
    bool SaveEnabled() const { return UploadEnabled() && !fetching_; }

private:
    enum class Upload { None, Running, Done };

    bool fetching_ = false;
    bool stopRequested_ = false;
    Upload upload_ = Upload::None;
    int storedScans_ = 0;
};

}  // namespace vorn
