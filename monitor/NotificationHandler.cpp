#include "monitor/NotificationHandler.h"

#include <array>
#include <cmath>
#include <ctime>
#include <cwchar>
#include <exception>
#include <optional>
#include <string_view>
#include <system_error>

#include "agent/AgentProtocol.h"
#include "agent/AgentProtocolMessage.h"
#include "monitor/DeviceTable.h"
#include "monitor/MainWindowOperations.h"
#include "monitor/NotificationViews.h"
#include "platform/FileWrite.h"
#include "platform/LocalTime.h"
#include "platform/TextConversion.h"
#include "translation/Vocabrix.h"

namespace vorn {

namespace {

std::wstring Tr(const wchar_t* text) {
    return Localization::CVocabrix::Instance().TranslateString(text);
}

// Agent texts go through the translation too; an empty one stays empty rather than being
// recorded as a phrase without translation.
std::wstring Tr(const std::wstring& text) {
    return text.empty() ? text : Tr(text.c_str());
}

// Strict standard Base64: length a multiple of 4, only the alphabet, "=" only as the last one
// or two characters. Nothing on any violation.
std::optional<std::string> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') {
            return c - 'A';
        }
        if (c >= 'a' && c <= 'z') {
            return c - 'a' + 26;
        }
        if (c >= '0' && c <= '9') {
            return c - '0' + 52;
        }
        if (c == '+') {
            return 62;
        }
        if (c == '/') {
            return 63;
        }
        return -1;
    };
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int padding = 0;
        if (last && text[i + 3] == '=') {
            padding = text[i + 2] == '=' ? 2 : 1;
        }
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            int v = 0;
            if (k < 4 - static_cast<std::size_t>(padding)) {
                v = value(text[i + k]);
                if (v < 0) {
                    return std::nullopt;
                }
            }
            group = (group << 6) | static_cast<std::uint32_t>(v);
        }
        out.push_back(static_cast<char>((group >> 16) & 0xFF));
        if (padding < 2) {
            out.push_back(static_cast<char>((group >> 8) & 0xFF));
        }
        if (padding < 1) {
            out.push_back(static_cast<char>(group & 0xFF));
        }
    }
    return out;
}

// The file name part of a device path: after the last backslash, else after the last "/".
std::wstring FileNamePart(const std::wstring& path) {
    auto slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) {
        slash = path.rfind(L'/');
    }
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// "%H:%M %d.%m.%Y" in local time; nothing for a time the C library cannot place.
std::optional<std::wstring> FormatCheckTime(std::int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    const std::optional<std::tm> converted = platform::ToLocalTime(time);
    if (!converted) {
        return std::nullopt;
    }
    const std::tm& local = *converted;
    std::array<wchar_t, 128> buffer{};
    const std::size_t length =
        std::wcsftime(buffer.data(), buffer.size(), L"%H:%M %d.%m.%Y", &local);
    if (length == 0) {
        return std::nullopt;
    }
    return std::wstring(buffer.data(), length);
}

// The bar position for a phase: fraction of the phase times half the bar, plus the offset of
// the phase. Nothing when it falls outside the bar (or is not a number at all).
std::optional<int> ProgressPosition(double fraction, int offset) {
    const double position = std::trunc(fraction * 100.0 * 0.5) + offset;
    if (!(position >= 0.0 && position <= 100.0)) {
        return std::nullopt;
    }
    return static_cast<int>(position);
}

void ShowMessageIfAny(MainWindowOperations& window, std::int32_t messageType,
                      const std::wstring& message) {
    if (!message.empty()) {
        const std::wstring text = Tr(message);
        window.ShowStatusMessage(messageType, text);
        window.ShowTrayBalloon(text);
    }
}

void OnDeviceInfo(const AgentMessage& message, MainWindowOperations& window, bool arrival) {
    const DeviceInfo info = ReadDeviceInfo(message);
    window.Devices().ApplyDeviceInfo(info);
    window.RefreshUpdateAllButton();
    if (!info.message.empty()) {
        window.ShowStatusMessage(info.msgtype, Tr(info.message));
    }
    if (arrival) {
        window.ShowTrayBalloon(Tr(L"Подключено устройство") + L": " + info.name);
    }
}

void OnDeviceRemove(const AgentMessage& message, MainWindowOperations& window) {
    window.Devices().Remove(message.Int("id"));
    window.RefreshUpdateAllButton();
    window.ShowUpdateSummary();
    window.ShowTrayBalloon(Tr(L"Устройство извлечено"));
}

void OnUpdateCheck(const AgentMessage& message, MainWindowOperations& window) {
    const std::int32_t id = message.Int("id");
    const auto phase = message.Raw("phase");
    if (phase == "begin") {
        window.Devices().SetUpdateState(id, kUpdateChecking);
        return;
    }
    if (phase != "end") {
        return;
    }
    const bool allowScanning = ReadAllowScanning(message);
    // A missing state is no news, not "update available".
    window.Devices().SetCheckResult(id, message.Int("state", kNoInformation), allowScanning,
                                    message.Text("attributeName"), message.Text("serialno"));
    const std::wstring text = message.Text("message");
    if (!text.empty()) {
        ShowMessageIfAny(window, message.Int("msgtype"), text);
    } else {
        window.ShowUpdateSummary();
    }
    if (window.SelectedDeviceId() == id) {
        window.ShowScanButton(allowScanning);
    }
    window.RefreshUpdateAllButton();
}

void OnTaskProgress(const AgentMessage& message, MainWindowOperations& window) {
    const std::int32_t id = message.Int("id");
    const auto task = message.Raw("taskname");
    const auto phase = message.Raw("phase");
    const double progress = message.Fraction("progress");
    const std::int32_t messageType = message.Int("msgtype");

    if (messageType == 2) {
        window.LeaveTaskMode();
    } else if (task == "downloadfw") {
        if (phase == "begin") {
            window.EnterTaskMode();
            window.PlaceProgress(id);
        } else if (phase == "end") {
            window.LeaveTaskModeKeepingProgress();
            if (window.IsProgressVisible()) {
                window.SetProgressPosition(50);
            }
        } else if (phase == "inprogress" && window.IsProgressVisible()) {
            if (const auto position = ProgressPosition(progress, 0)) {
                window.SetProgressPosition(*position);
            }
        }
    } else if (task == "updatefw") {
        if (phase == "begin") {
            window.EnterTaskMode();
            if (window.IsProgressVisible()) {
                window.SetProgressPosition(50);
            }
        } else if (phase == "end") {
            window.LeaveTaskMode();
            window.Devices().SetUpdateState(id, kUpdateNotRequired);
            window.RefreshUpdateAllButton();
            window.ShowUpdateSummary();
        } else if (phase == "inprogress" && window.IsProgressVisible()) {
            if (const auto position = ProgressPosition(progress, 50)) {
                window.SetProgressPosition(*position);
            }
        }
    }
    const std::wstring text = Tr(message.Text("message"));
    window.ShowStatusMessage(messageType, text);
    window.ShowTrayBalloon(text);
}

void OnCheckTimes(const AgentMessage& message, MainWindowOperations& window) {
    if (const std::int64_t last = message.Int64("last"); last != 0) {
        if (const auto text = FormatCheckTime(last)) {
            window.ShowLastCheckTime(*text);
        }
    }
    if (const std::int64_t next = message.Int64("next"); next != 0) {
        if (const auto text = FormatCheckTime(next)) {
            window.ShowNextCheckTime(*text);
        }
    }
}

void OnRamFile(const AgentMessage& message, MainWindowOperations& window) {
    RamFileViews& views = window.RamFiles();
    const auto encoded = message.Raw("content");
    const auto content = encoded ? DecodeBase64(*encoded) : std::nullopt;
    if (!content) {
        views.ShowErrorBox(Tr(L"Ошибка в полученных данных"));
        return;
    }
    RamFileSaveQuestion question;
    question.proposedName = FileNamePart(message.Text("filename"));
    question.defaultExtension = L"zip";
    question.filter = L"Archive (*.zip)|*.zip|All Files (*.*)|*.*||";
    question.initialFolder = views.RamFileFolder();
    const auto chosen = views.AskSavePath(question);
    if (!chosen || chosen->empty()) {
        return;  // the operator cancelled: nothing to write, nothing to report
    }
    views.RememberRamFileFolder(*chosen);
    // Whole or not at all: a failed write never leaves a cut-off file in place of a good one.
    if (!platform::ReplaceFileAtomically(*chosen, *content)) {
        views.ShowErrorBox(Tr(L"Ошибка сохранения данных в файл"));
    }
}

void OnNewRevision(const AgentMessage& message, MainWindowOperations& window) {
    const std::int64_t revision = message.Int64("revision");
    if (revision <= kProgramRevision) {
        return;
    }
    window.StoreDownloadAddress(message.Text("href"));
    window.ShowNewRevision(Tr(L"Доступна новая ревизия ПО") + L": " + std::to_wstring(revision),
                           Tr(L"Скачать"));
}

void Dispatch(const AgentMessage& message, const AgentError& error, MainWindowOperations& window) {
    const std::string& kind = message.name();
    if (kind == "devarrival") {
        OnDeviceInfo(message, window, true);
    } else if (kind == "deviceinfo") {
        OnDeviceInfo(message, window, false);
    } else if (kind == "devremove") {
        OnDeviceRemove(message, window);
    } else if (kind == "message") {
        const std::wstring text = Tr(message.Text("message"));
        window.ShowStatusMessage(message.Int("msgtype"), text);
        window.ShowTrayBalloon(text);
    } else if (kind == "hasfwupdate") {
        OnUpdateCheck(message, window);
    } else if (kind == "taskprocess") {
        OnTaskProgress(message, window);
    } else if (kind == "upload_scan_to_server") {
        window.ScanSession().OnUploadProgress(message.Int("number"), message.Int("result"));
    } else if (kind == "get_scan_from_device") {
        window.ScanSession().OnScanProgress(message.Int("number"), message.Int("result"));
    } else if (kind == "offline_update") {
        window.OfflineUpdate().OnOfflineUpdateProgress(message.Int("number"), message.Int("total"),
                                                       error.HasError());
    } else if (kind == "check_update_time") {
        OnCheckTimes(message, window);
    } else if (kind == "ram_file_list") {
        window.RamFiles().ShowRamFileList(message.Text("batches"));
    } else if (kind == "ram_file_get") {
        OnRamFile(message, window);
    } else if (kind == "app_actual_version") {
        OnNewRevision(message, window);
    }
}

}  // namespace

void HandleNotification(const std::string& text, MainWindowOperations& window) {
    const auto message = AgentMessage::Parse(text);
    if (!message) {
        return;
    }
    const AgentError error = ReadError(*message);
    if (error.HasError()) {
        window.StoreErrorRecord(AgentErrorRecord{error.category, error.errorId, error.description,
                                                 std::chrono::system_clock::now()});
    }
    try {
        Dispatch(*message, error, window);
    } catch (const std::exception&) {
        // One bad message must not end the event channel; the next one is handled as usual.
    }
    window.HideLoadingWindow();
}

namespace {

// The root element's name at the start of a (possibly cut-off) document: the declaration,
// comments and other markup before it are skipped.
std::string RootElementName(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    for (;;) {
        const auto start = text.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos || text[start] != '<') {
            return {};
        }
        text.remove_prefix(start);
        std::string_view end;
        if (text.starts_with("<?")) {
            end = "?>";
        } else if (text.starts_with("<!--")) {
            end = "-->";
        } else if (text.starts_with("<!")) {
            end = ">";
        } else {
            break;
        }
        const auto close = text.find(end, 2);
        if (close == std::string_view::npos) {
            return {};
        }
        text.remove_prefix(close + end.size());
    }
    text.remove_prefix(1);
    const auto nameEnd = text.find_first_of(" \t\r\n/>");
    return std::string(text.substr(0, nameEnd == std::string_view::npos ? text.size() : nameEnd));
}

}  // namespace

void HandleRefusedNotification(const std::string& head, MainWindowOperations& window) {
    if (RootElementName(head) == "ram_file_get") {
        window.RamFiles().ShowErrorBox(Tr(L"Ошибка в полученных данных"));
    }
}

}  // namespace vorn
