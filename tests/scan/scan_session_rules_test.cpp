#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "scan/ScanSessionRules.h"

namespace vorn {
namespace {

// What the buttons show after a run of events: start shown, stop enabled, fields enabled,
// upload enabled, save enabled.
struct Shown {
    bool start, stop, fields, upload, save;
    bool operator==(const Shown&) const = default;
};

Shown Of(const ScanSessionRules& rules) {
    return {rules.StartShown(), rules.StopEnabled(), rules.FieldsEnabled(), rules.UploadEnabled(),
            rules.SaveEnabled()};
}

TEST(ScanSessionRules, SaveToDiskOnlyWhileNothingArrivesOrLeaves) {
    using Step = std::function<void(ScanSessionRules&)>;
    const Step open = [](ScanSessionRules& r) { r.Open(4); };
    const Step openEmpty = [](ScanSessionRules& r) { r.Open(0); };
    const Step start = [](ScanSessionRules& r) { r.StartAccepted(); };
    const Step stop = [](ScanSessionRules& r) { r.StopAccepted(); };
    const Step fetched = [](ScanSessionRules& r) { r.FetchFinished(9); };
    const Step fetchedNothing = [](ScanSessionRules& r) { r.FetchFinished(0); };
    const Step upload = [](ScanSessionRules& r) { r.UploadAccepted(); };
    const Step uploaded = [](ScanSessionRules& r) { r.UploadFinished(); };
    const Step failed = [](ScanSessionRules& r) { r.UploadFailed(3); };
    const struct {
        const char* what;
        std::vector<Step> steps;
        Shown shown;
    } cases[] = {
        {"opened with scans", {open}, {true, false, true, true, true}},
        {"opened without scans", {openEmpty}, {true, false, true, false, false}},
        {"fetching", {open, start}, {false, true, false, true, false}},
        {"fetching, stop asked", {open, start, stop}, {false, false, false, true, false}},
        {"fetched", {openEmpty, start, fetched}, {true, false, true, true, true}},
        {"fetched nothing", {openEmpty, start, fetchedNothing}, {true, false, true, false, false}},
        {"uploading", {open, upload}, {true, false, true, false, false}},
        {"uploading while fetching", {open, start, upload}, {false, true, false, false, false}},
        {"a fetch ends while uploading",
         {open, upload, start, fetched},
         {true, false, true, false, false}},
        {"uploaded", {open, upload, uploaded}, {true, false, true, false, false}},
        {"uploaded, then a fetch ends",
         {open, upload, uploaded, start, fetched},
         {true, false, true, true, true}},
        {"upload failed", {open, upload, failed}, {true, false, true, true, true}},
        {"upload failed while fetching",
         {open, start, upload, failed},
         {false, true, false, true, false}},
        {"opened again while fetching",
         {open, start, upload, open},
         {true, false, true, true, true}},
        {"a stop without a fetch", {open, stop}, {true, false, true, true, true}},
    };
    for (const auto& c : cases) {
        ScanSessionRules rules;
        for (const Step& step : c.steps) {
            step(rules);
        }
        EXPECT_EQ(Of(rules), c.shown) << c.what;
    }
}

}  // namespace
}  // namespace vorn
