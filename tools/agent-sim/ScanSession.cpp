#include "tools/agent-sim/ScanSession.h"

#include <cstdio>
#include <fstream>

#include "platform/TextConversion.h"
#include "scan/SessionData.h"
#include "scan/StoredScans.h"

namespace vorn::sim {

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

std::string Progress(const char* kind, int number, int result) {
    return std::string("<") + kind + " number=\"" + std::to_string(number) + "\" result=\"" +
           std::to_string(result) + "\"/>";
}

}  // namespace

ScanSessionSimulator::ScanSessionSimulator(ScanSimulation config,
                                           std::function<void(const std::string&)> notify)
    : config_(config), notify_(std::move(notify)) {}

ScanSessionSimulator::~ScanSessionSimulator() {
    Stop();
}

bool ScanSessionSimulator::Handles(const std::string& requestName) {
    return requestName == "SessionData" || requestName == "stop_load_scan_data" ||
           requestName == "send_scan_data";
}

void ScanSessionSimulator::Respond(const AgentMessage& message, const std::string& request) {
    if (message.name() == "SessionData") {
        StartFetch(request);
    } else if (message.name() == "stop_load_scan_data") {
        {
            std::lock_guard lock(mutex_);
            stopFetch_ = true;
        }
        wake_.notify_all();
    } else if (message.name() == "send_scan_data") {
        StartUpload();
    }
}

void ScanSessionSimulator::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        stopFetch_ = true;
    }
    wake_.notify_all();
    JoinWorkers();
}

void ScanSessionSimulator::JoinWorkers() {
    if (fetch_.joinable()) {
        fetch_.join();
    }
    if (upload_.joinable()) {
        upload_.join();
    }
}

bool ScanSessionSimulator::Pause(const bool& flag) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, config_.interval, [&] { return flag || stopping_; });
}

void ScanSessionSimulator::StartFetch(const std::string& document) {
    // A new session ends the one before it.
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        stopFetch_ = true;
    }
    wake_.notify_all();
    if (fetch_.joinable()) {
        fetch_.join();
    }
    const SessionData session = ParseSessionData(document);
    const std::wstring name = SessionFolderName(session);
    // The name comes from the request; it must not lead out of the storage folder.
    if (!ValidateSessionData(session).empty() || !IsPlainFolderName(name)) {
        notify_(Progress("get_scan_from_device", 0, 1));
        return;
    }
    const fs::path folder = ScanStorageFolder() / name;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !WriteFile(folder / kSessionDocumentName, document)) {
        notify_(Progress("get_scan_from_device", 0, 1));
        return;
    }
    {
        std::lock_guard lock(mutex_);
        stopFetch_ = false;
    }
    fetch_ = std::thread([this, folder] { Fetch(folder); });
}

void ScanSessionSimulator::Fetch(fs::path folder) {
    int fetched = 0;
    while (fetched < config_.scans && Pause(stopFetch_)) {
        char name[32];
        std::snprintf(name, sizeof name, "scan_%04d%s", fetched + 1, kScanExtension);
        if (!WriteFile(folder / name, "SGCSD simulated scan " + std::to_string(fetched + 1))) {
            break;
        }
        ++fetched;
        notify_(Progress("get_scan_from_device", fetched, 0));
    }
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
    }
    notify_(Progress("get_scan_from_device", fetched, 1));
}

void ScanSessionSimulator::StartUpload() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || !uploadDone_) {
            return;  // one upload at a time, as the agent does
        }
        uploadDone_ = false;
    }
    if (upload_.joinable()) {
        upload_.join();
    }
    upload_ = std::thread([this] { Upload(); });
}

void ScanSessionSimulator::Upload() {
    const int total = CountStoredScans(ScanStorageFolder());
    const int failAt = config_.uploadFails ? total / 2 : -1;
    const bool never = false;
    int sent = 0;
    bool failed = false;
    while (sent < total && Pause(never)) {
        if (sent == failAt) {
            failed = true;
            break;
        }
        ++sent;
        notify_(Progress("upload_scan_to_server", sent, 0));
    }
    std::unique_lock lock(mutex_);
    uploadDone_ = true;
    if (stopping_) {
        return;
    }
    lock.unlock();
    if (failed || (config_.uploadFails && total == 0)) {
        notify_("<upload_scan_to_server number=\"" + std::to_string(sent) +
                "\" result=\"2\" error_description=\"Сервер не принял сканы\" category=\"0\" "
                "error_id=\"503\"/>");
    } else {
        notify_(Progress("upload_scan_to_server", sent, 1));
    }
}

}  // namespace vorn::sim
