#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::sim {

// One notification to send, `delay` after the step before it.
struct ScenarioStep {
    std::chrono::milliseconds delay{0};
    std::string text;
};

// Notifications that answer a request. Step texts may hold placeholders, filled from the
// request and from the simulated device it names: {id}, {type}, {name}, {serialno},
// {attributeName}, {updates}, {connect}, {allowScanning}; and {now}, {nextday}: seconds since
// 1970 at the time the notifications are scheduled, and a day later.
struct Reaction {
    std::string request;  // root element name of the request
    enum class Target {
        RequestDevice,     // once, for the device named by the request's id
        EveryDevice,       // once per simulated device, one after the other
        UpdatableDevices,  // as EveryDevice, for devices with an update available
    };
    Target target = Target::RequestDevice;
    std::vector<ScenarioStep> steps;
};

// The built-in demo: devices arriving, an update check that finds an update on one of them.
std::vector<ScenarioStep> DemoSteps();
// How the demo agent answers requests: firmware download and write after an update request,
// fresh device information after a connection refresh, and so on.
std::vector<Reaction> DemoReactions();

// Preparing an offline update: kOfflineUpdateSteps "offline_update" notifications up to the
// total; for a UIN that IsFailingOfflineUin, a third of them and then one with an error.
inline constexpr int kOfflineUpdateSteps = 12;
std::vector<ScenarioStep> OfflineUpdateSteps();
std::vector<ScenarioStep> OfflineUpdateFailureSteps();
bool IsFailingOfflineUin(std::string_view uin);

// A script: one notification per line, "wait MS" lines between them. Blank lines and lines
// starting with '#' are skipped; a line's end ("\n" or "\r\n") is not part of the text.
// Nothing and an error text when a wait line is malformed or the file cannot be read.
std::optional<std::vector<ScenarioStep>> LoadScript(const std::filesystem::path& file,
                                                    std::string& error);
std::optional<std::vector<ScenarioStep>> ParseScript(const std::string& text, std::string& error);

}  // namespace vorn::sim
