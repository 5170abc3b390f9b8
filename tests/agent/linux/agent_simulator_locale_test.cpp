#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>

#include "agent/AgentProtocol.h"
#include "agent/AgentProtocolMessage.h"
#include "support/TestEnvironment.h"
#include "tools/agent-sim/AgentSimulator.h"

namespace vorn {
namespace {

// The program decodes "error_description" with the locale's character set; the agent has to
// encode it so, and leave every other byte of the notification alone.
TEST(AgentSimulatorOnLinux, ErrorDescriptionGoesOutInTheLocaleCharset) {
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    const std::string text =
        "<ok message=\"Сбой\" error_description=\"Нет связи &amp; тишина\" category=\"0\"/>";
    std::setlocale(LC_CTYPE, "C");
    std::optional<test::ScopedEnv> environment;
    environment.emplace("LC_ALL", "C");
    const std::string ascii = sim::WithLocaleErrorDescription(text);
    EXPECT_EQ(ascii,
              "<ok message=\"Сбой\" error_description=\"??? ????? &amp; ??????\" "
              "category=\"0\"/>");
    EXPECT_EQ(ReadError(*AgentMessage::Parse(ascii)).description, L"??? ????? & ??????");
    EXPECT_EQ(sim::WithLocaleErrorDescription("<ok my_error_description=\"Я\"/>"),
              "<ok my_error_description=\"Я\"/>");
    EXPECT_EQ(sim::WithLocaleErrorDescription("<ok error_description=\"Я"),
              "<ok error_description=\"Я");
    environment.reset();
    environment.emplace("LC_ALL", "C.UTF-8");
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        std::setlocale(LC_CTYPE, saved.c_str());
        GTEST_SKIP() << "no C.UTF-8 locale here: only the \"C\" half ran";
    }
    EXPECT_EQ(sim::WithLocaleErrorDescription(text), text);
    EXPECT_EQ(ReadError(*AgentMessage::Parse(text)).description, L"Нет связи & тишина");
    std::setlocale(LC_CTYPE, saved.c_str());
}

}  // namespace
}  // namespace vorn
