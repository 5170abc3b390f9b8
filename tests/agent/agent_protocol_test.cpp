#include "agent/AgentProtocol.h"

#include <gtest/gtest.h>

#include <string>

namespace vorn {
namespace {

TEST(AgentRequestTest, EveryRequestIsWrittenByteForByte) {
    const std::pair<std::string, std::string> cases[] = {
        {request::GetAllDevInfo(), "<getalldevinfo/>"},
        {request::UpdateAll(), "<updateall/>"},
        {request::UpdateDevice(5), "<updatefw id=\"5\" />\n"},
        {request::ForceUpdate(5), "<force_updatefw id=\"5\" />"},
        {request::SetSerialNo(5, L"123"), "<setserialno id=\"5\" serialno=\"123\" />"},
        {request::SetDeviceDateTime(7), "<set_device_date_time id=\"7\" />"},
        {request::UpdateConnection(7), "<update_connection id=\"7\" />"},
        {request::LogCtlOn(7), "<log_ctl_on id=\"7\" />"},
        {request::LogCtlOff(7), "<log_ctl_off id=\"7\" />"},
        {request::RamFileList(7), "<ram_file_list id=\"7\" />"},
        {request::RamFileGet(7, L"a.bin"), "<ram_file_get id=\"7\" filename=\"a.bin\" />"},
        {request::RamFileDelete(7, L"a.bin"), "<ram_file_delete id=\"7\" filename=\"a.bin\" />"},
        {request::BlackList(7, L"/home/op/x.blist"),
         "<blacklist id=\"7\" filename=\"/home/op/x.blist\" />"},
        {request::DeleteBlackList(7), "<deleteblacklist id=\"7\" />"},
        {request::CheckUpdate(), "<checkupdate/>"},
        {request::GetOptions(), "<getoptions/>"},
        {request::AppOptions({true, L"upd.example", 3, 0, false}),
         "<app_options server_name=\"upd.example\" autoupdate=\"1\" "
         "check_firmware_updates_time=\"03:00\" check_firmware_updates_enabled=\"0\" />"},
        {request::AppOptions({false, L"", 24, 60, true}),
         "<app_options server_name=\"\" autoupdate=\"0\" check_firmware_updates_time=\"24:60\" "
         "check_firmware_updates_enabled=\"1\" />"},
        {request::Quit(), "<quit/>"},
        {request::GetActualSoftwareVersion(), "<get_actual_software_version/>"},
        {request::PrepareOfflineUpdate(L"U-1"), "<prepare_offline_update uin=\"U-1\"  />"},
        {request::SendScanData(), "<send_scan_data/>"},
        {request::StopLoadScanData(), "<stop_load_scan_data/>"},
    };
    for (const auto& [built, expected] : cases) {
        EXPECT_EQ(built, expected);
    }
}

TEST(AgentRequestTest, IdsAreUnsignedAndTextIsUtf8) {
    EXPECT_EQ(request::ForceUpdate(-1), "<force_updatefw id=\"4294967295\" />");
    EXPECT_EQ(request::UpdateDevice(INT32_MIN), "<updatefw id=\"2147483648\" />\n");
    const std::string get = request::RamFileGet(1, L"Файлы");
    EXPECT_EQ(get,
              "<ram_file_get id=\"1\" filename=\"\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB\xD1\x8B\" />");
    EXPECT_EQ(get.size(), std::string("<ram_file_get id=\"1\" filename=\"\" />").size() + 10);
}

TEST(AgentRequestTest, ValuesAreEscapedAndSurviveParsing) {
    const std::wstring name = L"C:\\a \"b\" & <c> 'd'.blist";
    const std::string text = request::BlackList(3, name);
    EXPECT_EQ(text,
              "<blacklist id=\"3\" filename=\"C:\\a &quot;b&quot; &amp; &lt;c&gt; "
              "&apos;d&apos;.blist\" />");
    const auto parsed = AgentMessage::Parse(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->name(), "blacklist");
    EXPECT_EQ(parsed->Text("filename"), name);
    EXPECT_EQ(parsed->Int("id"), 3);

    const auto serial = AgentMessage::Parse(request::SetSerialNo(-1, L"№\"7\""));
    ASSERT_TRUE(serial);
    EXPECT_EQ(serial->Text("serialno"), L"№\"7\"");
    EXPECT_EQ(serial->Int("id"), -1);  // written unsigned, read back signed
}

TEST(AgentMessageTest, MalformedOrEmptyTextsAreIgnored) {
    for (const char* text : {"", "   ", "<a", "not xml", "<a></b>", "<?xml version=\"1.0\"?>",
                             "<a x=\"1\" x=\"2\"/>"}) {
        EXPECT_FALSE(AgentMessage::Parse(text)) << text;
    }
    // Parsing never reads past the given length.
    const std::string buffer = "<ok/>garbage";
    const auto ok = AgentMessage::Parse(std::string_view(buffer).substr(0, 5));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->name(), "ok");
}

TEST(AgentMessageTest, ReadsRootAttributesByExactName) {
    const auto message = AgentMessage::Parse(
        "<taskprocess id=\"12\" taskname=\"downloadfw\" phase=\"inprogress\" progress=\"0.25\" "
        "msgtype=\"x\" message=\"\xD0\x98\xD0\xB4\xD1\x91\xD1\x82\" last=\"1700000000123\" "
        "ID=\"99\"><child id=\"5\"/></taskprocess>");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->name(), "taskprocess");
    EXPECT_EQ(message->Int("id"), 12);
    EXPECT_EQ(message->Text("message"), L"Идёт");
    EXPECT_DOUBLE_EQ(message->Fraction("progress"), 0.25);
    EXPECT_EQ(message->Int("msgtype"), 0);  // not a number
    EXPECT_EQ(message->Int("missing"), 0);
    EXPECT_EQ(message->Int("missing", 6), 6);
    EXPECT_EQ(message->Int64("last"), 1700000000123);
    EXPECT_FALSE(message->Has("Id"));
    EXPECT_EQ(message->Text("absent"), L"");
}

TEST(AgentMessageTest, ErrorAttributesOnAnyRoot) {
    const auto message =
        AgentMessage::Parse("<ok error_description=\"no server\" category=\"1\" error_id=\"42\"/>");
    ASSERT_TRUE(message);
    const AgentError error = ReadError(*message);
    EXPECT_TRUE(error.HasError());
    EXPECT_EQ(error.description, L"no server");
    EXPECT_EQ(error.category, 1);
    EXPECT_EQ(error.errorId, 42);
    EXPECT_FALSE(ReadError(*AgentMessage::Parse("<ok error_description=\"\"/>")).HasError());
}

TEST(AgentMessageTest, AllowScanningRules) {
    const std::pair<const char*, bool> cases[] = {
        {"<e allowScanning=\"1\"/>", true},
        {"<e allowScanning=\"7\"/>", true},
        {"<e allowScanning=\"true\"/>", true},
        {"<e allowScanning=\"0\"/>", false},
        {"<e allowScanning=\"000\"/>", false},
        {"<e allowScanning=\"True\"/>", false},
        {"<e allowScanning=\"yes\"/>", false},
        {"<e allowScanning=\"\"/>", false},
        {"<e/>", false},
        {"<e allowScanning=\" 1\"/>", false},
        {"<e allowScanning=\"-1\"/>", false},
        {"<e allowScanning=\"99999999999999999999\"/>", true},
    };
    for (const auto& [text, expected] : cases) {
        const auto message = AgentMessage::Parse(text);
        ASSERT_TRUE(message) << text;
        EXPECT_EQ(ReadAllowScanning(*message), expected) << text;
    }
}

TEST(AgentMessageTest, DeviceRecordWithMissingIntegers) {
    const auto full = AgentMessage::Parse(
        "<devarrival id=\"3\" connect=\"2\" updates=\"0\" type=\"Q200M1\" name=\"UIN-3\" "
        "msgtype=\"1\" message=\"hi\"/>");
    ASSERT_TRUE(full);
    const DeviceInfo info = ReadDeviceInfo(*full);
    EXPECT_EQ(info.id, 3);
    EXPECT_EQ(info.connect, 2);
    EXPECT_EQ(info.updates, 0);
    EXPECT_EQ(info.type, L"Q200M1");
    EXPECT_EQ(info.name, L"UIN-3");
    EXPECT_EQ(info.msgtype, 1);
    EXPECT_EQ(info.message, L"hi");

    // Each missing integer reads alone, never as its neighbour's value.
    const auto sparse = AgentMessage::Parse("<deviceinfo id=\"9\" type=\"Q750M1\"/>");
    ASSERT_TRUE(sparse);
    const DeviceInfo partial = ReadDeviceInfo(*sparse);
    EXPECT_EQ(partial.id, 9);
    EXPECT_EQ(partial.connect, 0);
    EXPECT_EQ(partial.updates, 6);
    EXPECT_EQ(partial.msgtype, 0);
    EXPECT_EQ(partial.name, L"");
}

TEST(AgentMessageTest, DeviceListSkipsChildrenWithoutUsableId) {
    const auto reply = AgentMessage::Parse(
        "<devices>"
        "<device id=\"1\" connect=\"2\" updates=\"2\" type=\"Q200M1\" name=\"A\"/>"
        "<device id=\"0\" type=\"zero\"/>"
        "<device type=\"noid\"/>"
        "<other id=\"-5\" name=\"B\"/>"
        "</devices>");
    ASSERT_TRUE(reply);
    const auto devices = ReadDeviceList(*reply);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].id, 1);
    EXPECT_EQ(devices[0].type, L"Q200M1");
    EXPECT_EQ(devices[1].id, -5);
    EXPECT_EQ(devices[1].name, L"B");
    EXPECT_EQ(devices[1].updates, 6);

    std::string many = "<list>";
    for (int i = 1; i <= 100; ++i) {
        many += "<d id=\"" + std::to_string(i) + "\" connect=\"2\" updates=\"0\" name=\"U" +
                std::to_string(i) + "\"/>";
    }
    many += "</list>";
    const auto hundred = ReadDeviceList(*AgentMessage::Parse(many));
    ASSERT_EQ(hundred.size(), 100u);
    EXPECT_EQ(hundred[99].id, 100);
    EXPECT_EQ(hundred[99].name, L"U100");
}

TEST(AgentOptionsTest, ReadingStopsAtFirstMissingValue) {
    auto read = [](const char* text) { return ReadOptions(*AgentMessage::Parse(text)); };
    const AgentOptions full = read(
        "<options server_name=\"srv\" autoupdate=\"1\" check_firmware_updates_time=\"07:45\" "
        "check_firmware_updates_enabled=\"1\"/>");
    EXPECT_EQ(full, (AgentOptions{true, L"srv", 7, 45, true}));

    // No autoupdate: the later values are not read even though they are there.
    const AgentOptions stopped = read(
        "<options server_name=\"srv\" check_firmware_updates_time=\"07:45\" "
        "check_firmware_updates_enabled=\"1\"/>");
    EXPECT_EQ(stopped, (AgentOptions{false, L"srv", 3, 0, false}));
    EXPECT_EQ(read("<options autoupdate=\"1\"/>"), AgentOptions{});
    EXPECT_EQ(read("<options server_name=\"s\" autoupdate=\"true\"/>"),
              (AgentOptions{false, L"s", 3, 0, false}));
}

TEST(AgentOptionsTest, CheckTimeRules) {
    struct Case {
        const char* text;
        int hour;
        int minute;
    };
    const Case cases[] = {
        {"03:00", 3, 0}, {"7:05", 7, 5},  {"24:60", 24, 60}, {"25:30", 3, 30}, {"07:75", 7, 0},
        {"7:5", 3, 0},   {"07:5", 3, 0},  {"123:00", 3, 0},  {"", 3, 0},       {"12:345", 3, 0},
        {"ab:cd", 0, 0}, {"1-:00", 3, 0}, {":00", 3, 0},     {"12:00 ", 3, 0}, {"9a:1b", 9, 1},
    };
    for (const Case& c : cases) {
        const CheckTime time = ParseCheckTime(c.text);
        EXPECT_EQ(time.hour, c.hour) << c.text;
        EXPECT_EQ(time.minute, c.minute) << c.text;
    }
    EXPECT_EQ(FormatCheckTime(3, 0), "03:00");
    EXPECT_EQ(FormatCheckTime(23, 59), "23:59");
}

}  // namespace
}  // namespace vorn
