#pragma once

// The program's command line. Only one switch exists: a token that contains "ENABLE_OTHERS" in
// any letter case (with or without a leading "/" or "-", alone or inside a longer token)
// enables the other-devices button of the main window. Every other token is ignored.

namespace vorn {

class CZeltCommandLineInfo {
public:
    // One token of the command line; `isFlag` and `isLast` are accepted for the caller's
    // convenience and change nothing.
    void ParseParam(const wchar_t* param, bool isFlag, bool isLast);

    bool OtherDevicesEnabled() const { return otherDevicesEnabled_; }

private:
    bool otherDevicesEnabled_ = false;
};

// Feeds argv[1..] to the parser.
void ParseCommandLine(int argc, const wchar_t* const* argv, CZeltCommandLineInfo& info);

}  // namespace vorn
