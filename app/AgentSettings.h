#pragma once

// Typed access to the values of the agent key, each with its default. The agent owns the
// update settings (server, automatic update, check time and switch): the program only reads
// them here and changes them by sending "app_options". The values only the program uses have
// writers as well.

#include <mutex>
#include <optional>
#include <string>

#include "agent/AgentProtocolTypes.h"
#include "app/DecimalText.h"

namespace vorn {

// Agent update settings (read only).
std::wstring GetServerName();
bool GetAutoUpdate();
void GetCheckFirmwareUpdatesTime(int& hour, int& minute);
bool GetCheckFirmwareUpdatesEnabled();

// Program settings kept in the agent key.
bool GetCountExtractionEnabled();
void SetCountExtractionEnabled(bool enabled);
int GetCountExtractionPeriod();
void SetCountExtractionPeriod(int milliseconds);
inline constexpr int kMinLoadTimeout = 3;
int GetLoadTimeout();
// Values below kMinLoadTimeout are stored as kMinLoadTimeout.
void SetLoadTimeout(int seconds);
std::wstring GetExtractionHotFolder();
void SetExtractionHotFolder(const std::wstring& folder);
std::wstring GetExtractionScansFolder();
void SetExtractionScansFolder(const std::wstring& folder);
// The interface language id; none when the value is missing.
std::optional<std::wstring> GetCurrentLanguage();
// Written by the command line's --language and by a first start (LanguageCatalogue).
void SetCurrentLanguage(const std::wstring& id);
void SetMainWindowTitle(const std::wstring& title);

// The folder text used when no folder is stored: the user's home folder.
std::wstring DefaultFolderText();

// The agent's update settings as stored, read together when the record is made.
struct AgentOptionsRecord {
    AgentOptionsRecord();

    std::mutex mutex;
    AgentOptions options;
};

// Reads the four agent update settings from the agent key.
AgentOptions ReadStoredAgentOptions();

}  // namespace vorn
