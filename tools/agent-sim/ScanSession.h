#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "agent/AgentProtocolMessage.h"

namespace vorn::sim {

// How the simulated agent fetches and uploads scans.
struct ScanSimulation {
    int scans = 12;                           // scans a device delivers per session
    std::chrono::milliseconds interval{300};  // between two scans, and two uploaded ones
    bool uploadFails = false;                 // the upload fails half way, with an error
};

// The agent's side of scanning sessions. The session document starts a fetch: the session
// folder, named as the program names it, gets the document as "SessionData.xml" and one
// ".sgcsd" file per scan while "get_scan_from_device" reports the count;
// "stop_load_scan_data" ends the fetch early. "send_scan_data" uploads every stored scan of a
// valid session, reported by "upload_scan_to_server". Files go under "ScanData/" of the data
// folder (VORN_DATA_DIR).
class ScanSessionSimulator {
public:
    // notify schedules one notification text.
    ScanSessionSimulator(ScanSimulation config, std::function<void(const std::string&)> notify);
    ~ScanSessionSimulator();
    ScanSessionSimulator(const ScanSessionSimulator&) = delete;
    ScanSessionSimulator& operator=(const ScanSessionSimulator&) = delete;

    // True for the requests this class answers.
    static bool Handles(const std::string& requestName);
    void Respond(const AgentMessage& message, const std::string& request);
    // Ends the fetch and the upload; nothing more is sent.
    void Stop();

private:
    void StartFetch(const std::string& document);
    void Fetch(std::filesystem::path folder);
    void StartUpload();
    void Upload();
    void JoinWorkers();
    // Waits `interval`; false when the fetch (or everything) is to stop.
    bool Pause(const bool& flag);

    ScanSimulation config_;
    std::function<void(const std::string&)> notify_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopFetch_ = false;
    bool stopping_ = false;
    bool uploadDone_ = true;
    std::thread fetch_;
    std::thread upload_;
};

}  // namespace vorn::sim
