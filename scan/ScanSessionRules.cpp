#include "scan/ScanSessionRules.h"

namespace vorn {

void ScanSessionRules::Open(int storedScans) {
    *this = ScanSessionRules();
    storedScans_ = storedScans;
}

void ScanSessionRules::StartAccepted() {
    fetching_ = true;
    stopRequested_ = false;
}

void ScanSessionRules::StopAccepted() {
    stopRequested_ = fetching_;
}

void ScanSessionRules::FetchFinished(int storedScans) {
    fetching_ = false;
    stopRequested_ = false;
    storedScans_ = storedScans;
    if (upload_ == Upload::Done) {
        upload_ = Upload::None;
    }
}

void ScanSessionRules::UploadAccepted() {
    upload_ = Upload::Running;
}

void ScanSessionRules::UploadFinished() {
    if (upload_ == Upload::Running) {
        upload_ = Upload::Done;
    }
}

void ScanSessionRules::UploadFailed(int storedScans) {
    upload_ = Upload::None;
    storedScans_ = storedScans;
}

}  // namespace vorn
