#include "tools/agent-sim/AgentSimulator.h"

#include <algorithm>

#include "agent/AgentEventPipe.h"
#include "agent/AgentProtocol.h"
#include "platform/RegistryStore.h"
#include "platform/TextConversion.h"

namespace vorn::sim {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::string_view kAgentKey = "Software\\Quorin\\Zelt\\AgentZelt";
constexpr auto kIoTimeout = 5000ms;
constexpr auto kRetryPause = 200ms;

std::string Fill(std::string text, const std::map<std::string, std::string>& values) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('{', pos);
        const size_t close = open == std::string::npos ? open : text.find('}', open);
        if (close == std::string::npos) {
            break;
        }
        out.append(text, pos, open - pos);
        const auto it = values.find(text.substr(open + 1, close - open - 1));
        if (it != values.end()) {
            out += it->second;
        } else {
            out.append(text, open, close - open + 1);
        }
        pos = close + 1;
    }
    out.append(text, std::min(pos, text.size()));
    return out;
}

void AddDeviceValues(const SimulatedDevice& device, std::map<std::string, std::string>& values) {
    values["id"] = std::to_string(static_cast<uint32_t>(device.id));
    values["type"] = EscapeAttribute(device.type);
    values["name"] = EscapeAttribute(device.name);
    values["serialno"] = EscapeAttribute(device.serialno);
    values["attributeName"] = EscapeAttribute(device.attributeName);
    values["updates"] = std::to_string(device.updates);
    values["connect"] = std::to_string(device.connect);
    values["allowScanning"] = device.allowScanning ? "1" : "0";
}

}  // namespace

std::string WithLocaleErrorDescription(std::string_view notification) {
    static constexpr std::string_view kAttribute = "error_description=\"";
    const size_t tagEnd = notification.find('>');
    const std::string_view tag = notification.substr(0, tagEnd);
    size_t at = tag.find(kAttribute);
    // Only the attribute itself, not a name that merely ends the same way.
    while (at != std::string_view::npos && at > 0 && tag[at - 1] != ' ' && tag[at - 1] != '\t' &&
           tag[at - 1] != '\r' && tag[at - 1] != '\n') {
        at = tag.find(kAttribute, at + 1);
    }
    if (at == std::string_view::npos) {
        return std::string(notification);
    }
    const size_t begin = at + kAttribute.size();
    const size_t end = tag.find('"', begin);
    if (end == std::string_view::npos) {
        return std::string(notification);
    }
    std::string text(notification.substr(0, begin));
    text += platform::WideToLocale(platform::Utf8ToWide(notification.substr(begin, end - begin)));
    text += notification.substr(end);
    return text;
}

AgentSimulator::AgentSimulator(SimulatorConfig config)
    : config_(std::move(config)), devices_(config_.devices) {
    if (config_.recordFile) {
        recorder_ = std::make_unique<RequestRecorder>(*config_.recordFile);
    }
    scanSessions_ =
        std::make_unique<ScanSessionSimulator>(config_.scans, [this](const std::string& text) {
            Schedule({{{}, text}}, {});
        });
}

AgentSimulator::~AgentSimulator() {
    Stop();
}

bool AgentSimulator::Start(std::string& error) {
    platform::PipeStatus status = platform::PipeStatus::Failed;
    listener_ = platform::PipeListener::Listen(kRequestPipeName, &status);
    if (!listener_.IsListening()) {
        error = std::string("cannot serve the request pipe: ") + platform::ToString(status);
        return false;
    }
    lastDue_ = Clock::now();
    Schedule(config_.steps, {});
    requestThread_ = std::thread([this] { ServeRequests(); });
    senderThread_ = std::thread([this] { SendNotifications(); });
    return true;
}

void AgentSimulator::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopSignal_.Signal();
    wake_.notify_all();
    if (requestThread_.joinable()) {
        requestThread_.join();
    }
    if (senderThread_.joinable()) {
        senderThread_.join();
    }
    // After the request thread, the only one that starts scan work.
    scanSessions_->Stop();
    listener_.Close();
}

void AgentSimulator::ServeRequests() {
    while (!stopSignal_.IsSignalled()) {
        platform::PipeHandle client = listener_.Accept(&stopSignal_, std::nullopt);
        if (!client) {
            continue;
        }
        std::string request;
        if (platform::ReceiveRecord(client.get(), request, Clock::now() + kIoTimeout,
                                    &stopSignal_) != platform::PipeStatus::Ok) {
            continue;
        }
        const std::string reply = Respond(request);
        platform::SendRecord(client.get(), reply, Clock::now() + kIoTimeout);
    }
}

std::string AgentSimulator::Respond(const std::string& request) {
    if (recorder_) {
        recorder_->Append(request);
    }
    const auto message = AgentMessage::Parse(request);
    if (!message) {
        return "<ok/>";
    }
    const std::string& name = message->name();
    if (name == "getalldevinfo") {
        return DeviceListReply();
    }
    if (name == "getoptions") {
        return OptionsReply();
    }
    if (name == "app_options") {
        AgentOptions options;
        options.serverName = message->Text("server_name");
        options.autoUpdate = IsOptionSwitchOn(message->Raw("autoupdate"));
        const CheckTime time =
            ParseCheckTime(message->Raw("check_firmware_updates_time").value_or(std::string()));
        options.checkHour = time.hour;
        options.checkMinute = time.minute;
        options.checkEnabled = IsOptionSwitchOn(message->Raw("check_firmware_updates_enabled"));
        StoreOptions(options);
        return "<ok/>";
    }
    if (name == "setserialno" && message->Has("id")) {
        // Later update checks report the serial number the device now has.
        const int32_t id = message->Int("id");
        std::lock_guard lock(mutex_);
        for (SimulatedDevice& d : devices_) {
            if (d.id == id) {
                d.serialno = message->Raw("serialno").value_or(std::string());
            }
        }
    }
    if (name == "prepare_offline_update" &&
        IsFailingOfflineUin(message->Raw("uin").value_or(std::string()))) {
        Schedule(OfflineUpdateFailureSteps(), {});
        return "<ok/>";
    }
    if (ScanSessionSimulator::Handles(name)) {
        scanSessions_->Respond(*message, request);
        return "<ok/>";
    }
    React(*message);
    return "<ok/>";
}

void AgentSimulator::React(const AgentMessage& message) {
    // The request's own attributes fill the placeholders too, escaped again for the XML.
    std::map<std::string, std::string> request;
    for (const auto& [attribute, value] : message.attributes()) {
        request[attribute] = EscapeAttribute(value);
    }
    for (const Reaction& reaction : config_.reactions) {
        if (reaction.request != message.name()) {
            continue;
        }
        std::vector<std::map<std::string, std::string>> targets;
        {
            std::lock_guard lock(mutex_);
            if (reaction.target == Reaction::Target::RequestDevice) {
                auto values = request;
                bool known = true;
                if (message.Has("id")) {
                    const int32_t wanted = message.Int("id");
                    known = false;
                    for (const SimulatedDevice& d : devices_) {
                        if (d.id == wanted) {
                            AddDeviceValues(d, values);
                            known = true;
                        }
                    }
                }
                // The agent reports nothing about a device it does not know (one gone just
                // before the request came); unfilled placeholders would invent one.
                if (known) {
                    targets.push_back(std::move(values));
                }
            } else {
                for (const SimulatedDevice& d : devices_) {
                    if (reaction.target == Reaction::Target::UpdatableDevices &&
                        !(d.connect == 2 && d.updates == 0)) {
                        continue;
                    }
                    auto values = request;
                    AddDeviceValues(d, values);
                    targets.push_back(std::move(values));
                }
            }
        }
        for (const auto& values : targets) {
            Schedule(reaction.steps, values);
        }
    }
}

void AgentSimulator::Schedule(const std::vector<ScenarioStep>& steps,
                              const std::map<std::string, std::string>& values) {
    // Time stamps in the texts are those of the moment the batch is scheduled.
    auto filled = values;
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    filled.try_emplace("now", std::to_string(now));
    filled.try_emplace("nextday", std::to_string(now + 86400));
    {
        std::lock_guard lock(mutex_);
        // One batch follows the one scheduled before it, so a reaction never interleaves with
        // the notifications of another.
        Clock::time_point due = std::max(Clock::now(), lastDue_);
        for (const ScenarioStep& step : steps) {
            due += step.delay;
            queue_.push_back(
                {due, nextOrder_++, WithLocaleErrorDescription(Fill(step.text, filled))});
        }
        lastDue_ = due;
    }
    wake_.notify_all();
}

void AgentSimulator::SendNotifications() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (queue_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto next =
            std::min_element(queue_.begin(), queue_.end(), [](const auto& a, const auto& b) {
                return a.due != b.due ? a.due < b.due : a.order < b.order;
            });
        if (next->due > Clock::now()) {
            wake_.wait_until(lock, next->due);
            continue;
        }
        const std::string text = next->text;
        queue_.erase(next);
        lock.unlock();
        const bool delivered = Deliver(text);
        lock.lock();
        if (delivered) {
            ++sent_;
        }
    }
}

bool AgentSimulator::Deliver(const std::string& text) {
    // The program may start after us, or restart: keep trying until it listens.
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (stopping_) {
                return false;
            }
        }
        platform::PipeStatus status = platform::PipeStatus::Failed;
        platform::PipeHandle fd =
            platform::ConnectPipe(AgentEventPipe::kPipeName, Clock::now() + kIoTimeout, &status);
        if (fd) {
            const platform::PipeStatus sent =
                platform::SendRecord(fd.get(), text, Clock::now() + kIoTimeout);
            if (sent == platform::PipeStatus::Ok) {
                Observe(text);
                return true;
            }
            // The program refuses a message over its cap (and logs it); sending it again would
            // only hold back everything after it.
            if (text.size() > platform::kMaxMessageBytes) {
                return false;
            }
        }
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, kRetryPause, [this] { return stopping_; });
    }
}

void AgentSimulator::Observe(const std::string& text) {
    const auto message = AgentMessage::Parse(text);
    if (!message || !message->Has("id")) {
        return;
    }
    const std::string& kind = message->name();
    const int32_t id = message->Int("id");
    std::lock_guard lock(mutex_);
    auto device = std::find_if(devices_.begin(), devices_.end(),
                               [id](const SimulatedDevice& d) { return d.id == id; });
    if (kind == "devarrival" || kind == "deviceinfo") {
        if (device == devices_.end()) {
            devices_.push_back({});
            device = devices_.end() - 1;
        }
        const DeviceInfo info = ReadDeviceInfo(*message);
        device->id = info.id;
        device->connect = info.connect;
        device->updates = info.updates;
        device->type = message->Raw("type").value_or(std::string());
        device->name = message->Raw("name").value_or(std::string());
        return;
    }
    if (device == devices_.end()) {
        return;
    }
    if (kind == "devremove") {
        devices_.erase(device);
    } else if (kind == "hasfwupdate" && message->Raw("phase") == "begin") {
        device->updates = 1;
    } else if (kind == "hasfwupdate" && message->Raw("phase") == "end") {
        device->updates = message->Int("state");
        device->allowScanning = ReadAllowScanning(*message);
        device->serialno = message->Raw("serialno").value_or(std::string());
        device->attributeName = message->Raw("attributeName").value_or(std::string());
    } else if (kind == "taskprocess" && message->Raw("taskname") == "updatefw" &&
               message->Raw("phase") == "end") {
        device->updates = 2;
    }
}

std::string AgentSimulator::DeviceListReply() const {
    std::lock_guard lock(mutex_);
    std::string reply = "<devices>";
    for (const SimulatedDevice& d : devices_) {
        reply += "<device id=\"" + std::to_string(static_cast<uint32_t>(d.id)) + "\" connect=\"" +
                 std::to_string(d.connect) + "\" updates=\"" + std::to_string(d.updates) +
                 "\" type=\"" + EscapeAttribute(d.type) + "\" name=\"" + EscapeAttribute(d.name) +
                 "\" msgtype=\"0\" message=\"\"/>";
    }
    reply += "</devices>";
    return reply;
}

AgentOptions AgentSimulator::Options() const {
    {
        std::lock_guard lock(mutex_);
        if (!config_.optionsInRegistry) {
            return options_;
        }
    }
    // Read afresh every time, as the agent does, so that edits of the key show at once.
    const platform::RegistryStore store(platform::RegistryRoot::CurrentUser);
    AgentOptions options;
    options.serverName =
        platform::Utf8ToWide(store.ReadString(kAgentKey, "ServerName").value_or(std::string()));
    options.autoUpdate = IsOptionSwitchOn(store.ReadString(kAgentKey, "AutoUpdate"));
    const CheckTime time = ParseCheckTime(
        store.ReadString(kAgentKey, "CheckFirmwareUpdatesTime").value_or(std::string()));
    options.checkHour = time.hour;
    options.checkMinute = time.minute;
    options.checkEnabled =
        IsOptionSwitchOn(store.ReadString(kAgentKey, "CheckFirmwareUpdatesEnabled"));
    return options;
}

void AgentSimulator::StoreOptions(const AgentOptions& options) {
    {
        std::lock_guard lock(mutex_);
        options_ = options;
        if (!config_.optionsInRegistry) {
            return;
        }
    }
    platform::RegistryStore store(platform::RegistryRoot::CurrentUser);
    store.WriteString(kAgentKey, "ServerName", platform::WideToUtf8(options.serverName));
    store.WriteString(kAgentKey, "AutoUpdate", options.autoUpdate ? "1" : "0");
    store.WriteString(kAgentKey, "CheckFirmwareUpdatesTime",
                      FormatCheckTime(options.checkHour, options.checkMinute));
    store.WriteString(kAgentKey, "CheckFirmwareUpdatesEnabled", options.checkEnabled ? "1" : "0");
}

std::string AgentSimulator::OptionsReply() const {
    const AgentOptions options = Options();
    return "<options server_name=\"" + EscapeAttribute(platform::WideToUtf8(options.serverName)) +
           "\" autoupdate=\"" + (options.autoUpdate ? "1" : "0") +
           "\" check_firmware_updates_time=\"" +
           FormatCheckTime(options.checkHour, options.checkMinute) +
           "\" check_firmware_updates_enabled=\"" + (options.checkEnabled ? "1" : "0") + "\"/>";
}

std::vector<SimulatedDevice> AgentSimulator::Devices() const {
    std::lock_guard lock(mutex_);
    return devices_;
}

int AgentSimulator::SentCount() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

}  // namespace vorn::sim
