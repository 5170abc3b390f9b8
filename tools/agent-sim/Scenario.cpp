#include "tools/agent-sim/Scenario.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vorn::sim {

namespace {

using std::chrono::milliseconds;

// Download and write of one device's firmware, as the agent reports them.
std::vector<ScenarioStep> FirmwareUpdateSteps() {
    std::vector<ScenarioStep> steps;
    for (const char* task : {"downloadfw", "updatefw"}) {
        const std::string head = std::string("<taskprocess id=\"{id}\" taskname=\"") + task + "\"";
        const char* what =
            std::string_view(task) == "downloadfw" ? "Загрузка прошивки" : "Запись прошивки";
        steps.push_back({milliseconds(300), head +
                                                " phase=\"begin\" progress=\"0\" msgtype=\"0\" "
                                                "message=\"" +
                                                what + "\"/>"});
        for (const char* progress : {"0.2", "0.4", "0.6", "0.8"}) {
            steps.push_back({milliseconds(400), head + " phase=\"inprogress\" progress=\"" +
                                                    progress + "\" msgtype=\"0\" message=\"\"/>"});
        }
        steps.push_back({milliseconds(400), head + " phase=\"end\" progress=\"1\" msgtype=\"0\" "
                                                   "message=\"\"/>"});
    }
    steps.push_back({milliseconds(200),
                     "<deviceinfo id=\"{id}\" connect=\"2\" updates=\"2\" type=\"{type}\" "
                     "name=\"{name}\" msgtype=\"0\" message=\"Прошивка устройства {name} "
                     "обновлена\"/>"});
    return steps;
}

}  // namespace

std::vector<ScenarioStep> DemoSteps() {
    return {
        {milliseconds(500),
         "<devarrival id=\"101\" connect=\"1\" updates=\"6\" type=\"Q200M1\" "
         "name=\"020100017\" msgtype=\"0\" message=\"\"/>"},
        {milliseconds(400),
         "<devarrival id=\"102\" connect=\"1\" updates=\"6\" type=\"Q750M1\" "
         "name=\"075000342\" msgtype=\"0\" message=\"\"/>"},
        {milliseconds(400),
         "<devarrival id=\"103\" connect=\"1\" updates=\"6\" type=\"Q750M1\" "
         "name=\"075000519\" msgtype=\"0\" message=\"\"/>"},
        {milliseconds(600),
         "<deviceinfo id=\"101\" connect=\"2\" updates=\"6\" type=\"Q200M1\" "
         "name=\"020100017\" msgtype=\"0\" message=\"\"/>"},
        {milliseconds(200),
         "<deviceinfo id=\"102\" connect=\"2\" updates=\"6\" type=\"Q750M1\" "
         "name=\"075000342\" msgtype=\"0\" message=\"\"/>"},
        {milliseconds(200),
         "<deviceinfo id=\"103\" connect=\"2\" updates=\"6\" type=\"Q750M1\" "
         "name=\"075000519\" msgtype=\"0\" message=\"\"/>"},
        // A device that comes and goes, and a failed server check whose description the error
        // link shows; the update check below replaces the status line again.
        {milliseconds(300),
         "<devarrival id=\"104\" connect=\"2\" updates=\"6\" type=\"Q750M1\" "
         "name=\"075000777\" msgtype=\"0\" message=\"\"/>"},
        {milliseconds(1500), "<devremove id=\"104\"/>"},
        {milliseconds(300),
         "<ok error_description=\"Нет связи с сервером обновлений\" category=\"0\" "
         "error_id=\"12029\"/>"},
        {milliseconds(100), "<message msgtype=\"2\" message=\"Ошибка при проверке обновлений\"/>"},
        {milliseconds(1500), "<hasfwupdate phase=\"begin\" id=\"101\"/>"},
        {milliseconds(100), "<hasfwupdate phase=\"begin\" id=\"102\"/>"},
        {milliseconds(100), "<hasfwupdate phase=\"begin\" id=\"103\"/>"},
        {milliseconds(1500),
         "<hasfwupdate phase=\"end\" id=\"101\" state=\"2\" allowScanning=\"1\" "
         "serialno=\"Z2001734\" attributeName=\"RUB\" message=\"\" "
         "msgtype=\"0\"/>"},
        {milliseconds(400),
         "<hasfwupdate phase=\"end\" id=\"102\" state=\"0\" allowScanning=\"0\" "
         "serialno=\"Z7500342\" attributeName=\"RUB/USD/EUR\" "
         "message=\"Доступно обновление прошивки\" msgtype=\"0\"/>"},
        {milliseconds(300),
         "<hasfwupdate phase=\"end\" id=\"103\" state=\"2\" allowScanning=\"1\" "
         "serialno=\"Z7500519\" attributeName=\"RUB/USD\" message=\"\" "
         "msgtype=\"0\"/>"},
        {milliseconds(200), "<check_update_time last=\"{now}\" next=\"{nextday}\"/>"},
        {milliseconds(500),
         "<app_actual_version revision=\"2301\" href=\"https://example.invalid/vorn-update\"/>"},
    };
}

std::vector<Reaction> DemoReactions() {
    using Target = Reaction::Target;
    const std::vector<ScenarioStep> checkOne = {
        {milliseconds(200), "<hasfwupdate phase=\"begin\" id=\"{id}\"/>"},
        {milliseconds(1200),
         "<hasfwupdate phase=\"end\" id=\"{id}\" state=\"{updates}\" "
         "allowScanning=\"{allowScanning}\" serialno=\"{serialno}\" "
         "attributeName=\"{attributeName}\" message=\"\" msgtype=\"0\"/>"},
    };
    return {
        {"updatefw", Target::RequestDevice, FirmwareUpdateSteps()},
        {"force_updatefw", Target::RequestDevice, FirmwareUpdateSteps()},
        {"updateall", Target::UpdatableDevices, FirmwareUpdateSteps()},
        {"update_connection",
         Target::RequestDevice,
         {{milliseconds(500),
           "<deviceinfo id=\"{id}\" connect=\"2\" updates=\"{updates}\" "
           "type=\"{type}\" name=\"{name}\" msgtype=\"0\" message=\"\"/>"}}},
        {"checkupdate", Target::EveryDevice, checkOne},
        {"get_actual_software_version",
         Target::RequestDevice,
         {{milliseconds(100), "<app_actual_version revision=\"1\" href=\"\"/>"}}},
        {"ram_file_list",
         Target::RequestDevice,
         {{milliseconds(300),
           "<ram_file_list id=\"{id}\" batches=\"batch_0001.bin "
           "batch_0002.bin\"/>"}}},
        // An empty ZIP archive: the end-of-directory record alone.
        {"ram_file_get",
         Target::RequestDevice,
         {{milliseconds(300),
           "<ram_file_get id=\"{id}\" filename=\"{filename}\" "
           "content=\"UEsFBgAAAAAAAAAAAAAAAAAAAAAAAA==\"/>"}}},
        {"ram_file_delete",
         Target::RequestDevice,
         {{milliseconds(300), "<message msgtype=\"0\" message=\"Файл {filename} удалён\"/>"}}},
        // The loading window stays up until this acknowledgement.
        {"blacklist", Target::RequestDevice, {{milliseconds(1500), "<ok/>"}}},
        {"deleteblacklist",
         Target::RequestDevice,
         {{milliseconds(300), "<message msgtype=\"0\" message=\"Черный список удалён\"/>"}}},
        {"set_device_date_time",
         Target::RequestDevice,
         {{milliseconds(300),
           "<message msgtype=\"0\" message=\"Дата и время устройства {name} "
           "установлены\"/>"}}},
        {"log_ctl_on",
         Target::RequestDevice,
         {{milliseconds(200), "<message msgtype=\"0\" message=\"Трассировка включена\"/>"}}},
        {"log_ctl_off",
         Target::RequestDevice,
         {{milliseconds(200), "<message msgtype=\"0\" message=\"Трассировка выключена\"/>"}}},
        {"prepare_offline_update", Target::RequestDevice, OfflineUpdateSteps()},
    };
}

std::vector<ScenarioStep> OfflineUpdateSteps() {
    std::vector<ScenarioStep> steps;
    for (int number = 1; number <= kOfflineUpdateSteps; ++number) {
        steps.push_back({milliseconds(number == 1 ? 300 : 250),
                         "<offline_update number=\"" + std::to_string(number) + "\" total=\"" +
                             std::to_string(kOfflineUpdateSteps) + "\"/>"});
    }
    return steps;
}

std::vector<ScenarioStep> OfflineUpdateFailureSteps() {
    std::vector<ScenarioStep> steps = OfflineUpdateSteps();
    steps.resize(kOfflineUpdateSteps / 3);
    steps.push_back(
        {milliseconds(400), "<offline_update number=\"" + std::to_string(kOfflineUpdateSteps / 3) +
                                "\" total=\"" + std::to_string(kOfflineUpdateSteps) +
                                "\" error_id=\"404\" category=\"0\" "
                                "error_description=\"Пакет обновления для устройства не найден на "
                                "сервере\"/>"});
    return steps;
}

bool IsFailingOfflineUin(std::string_view uin) {
    return uin.ends_with("-00000000");
}

std::optional<std::vector<ScenarioStep>> ParseScript(const std::string& text, std::string& error) {
    std::vector<ScenarioStep> steps;
    milliseconds pending{0};
    // Editors may open the file with a byte-order mark; notifications never carry one.
    std::istringstream in(text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line == "wait" || line.rfind("wait ", 0) == 0) {
            const std::string_view value = std::string_view(line).substr(4 + (line.size() > 4));
            unsigned long ms = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
            if (ec != std::errc() || end != value.data() + value.size() || ms > 86'400'000) {
                error = "line " + std::to_string(number) + ": \"wait\" needs milliseconds";
                return std::nullopt;
            }
            pending += milliseconds(ms);
            continue;
        }
        steps.push_back({pending, line});
        pending = milliseconds(0);
    }
    return steps;
}

std::optional<std::vector<ScenarioStep>> LoadScript(const std::filesystem::path& file,
                                                    std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + file.string();
        return std::nullopt;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ParseScript(text, error);
}

}  // namespace vorn::sim
