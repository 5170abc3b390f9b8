#include <gtest/gtest.h>

#include <string>

#include "monitor/ErrorTexts.h"

namespace vorn {
namespace {

TEST(ErrorTexts, WrappingBreaksAfterTheFirstBlankAtOrAfterCharacterSeventyOfEachLine) {
    const std::wstring word69(69, L'a');
    const std::wstring word70(70, L'b');
    struct Case {
        std::wstring text;
        std::wstring wrapped;
    } cases[] = {
        {L"", L""},
        // No blanks: one long line, never split.
        {std::wstring(200, L'x'), std::wstring(200, L'x')},
        // The blank is character 70: the break follows it.
        {word69 + L" tail", word69 + L" \ntail"},
        // A blank at character 69 is too early; the next one breaks.
        {std::wstring(68, L'c') + L" d e", std::wstring(68, L'c') + L" d \ne"},
        // Every line counts from its own start, the first break included.
        {word70 + L" " + word70 + L" x", word70 + L" \n" + word70 + L" \nx"},
        // A line feed of the text starts the count again.
        {word69.substr(10) + L"\n" + word69.substr(10) + L" y",
         word69.substr(10) + L"\n" + word69.substr(10) + L" y"},
        // A trailing blank past the limit still gets its break.
        {word70 + L" ", word70 + L" \n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WrapErrorDescription(c.text), c.wrapped) << c.text.size();
    }
}

TEST(ErrorTexts, TimeIsDayMonthYearAndTimeWithLeadingZeros) {
    EXPECT_EQ(ErrorTimeText(2024, 3, 5, 9, 7, 3), L"05/03/2024 09:07:03");
    EXPECT_EQ(ErrorTimeText(987, 12, 31, 23, 59, 59), L"31/12/0987 23:59:59");
}

TEST(ErrorTexts, CategoriesAndHttpStatusesHaveTheirTextsAndUnknownOnesAGeneralOne) {
    EXPECT_EQ(ErrorCategoryText(0), L"Коммуникация с сервером");
    EXPECT_EQ(ErrorCategoryText(1), L"Коммуникация с устройством");
    EXPECT_EQ(ErrorCategoryText(5), L"Неизвестно");
    EXPECT_EQ(ErrorCategoryText(-1), L"Неизвестно");

    EXPECT_EQ(HttpStatusText(418), L"Неизвестная ошибка");
    EXPECT_EQ(HttpStatusText(200), L"Неизвестная ошибка");
    EXPECT_EQ(HttpStatusText(490),
              L"Текущая версия приложения не поддерживается. Необходимо установить новую версию "
              L"Vorn_Update.exe");
    EXPECT_EQ(HttpStatusText(404).substr(0, 30), L"Сервер не нашел соответствующе");
    EXPECT_EQ(HttpStatusText(500), L"Внутренняя ошибка сервера.");
    // The first and the last row of the table.
    EXPECT_EQ(HttpStatusText(400).substr(0, 6), L"Запрос");
    EXPECT_NE(HttpStatusText(505), HttpStatusText(418));
}

TEST(ErrorTexts, ReportTextHoldsIdDescriptionCategoryAndTime) {
    AgentErrorRecord report;
    report.errorId = 17;
    report.category = 0;
    report.description = L"Нет связи с сервером";
    const std::wstring text = ErrorReportText(report);
    EXPECT_NE(text.find(L"[17]"), std::wstring::npos);
    EXPECT_NE(text.find(L"Описание:\nНет связи с сервером\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Категория: Коммуникация с сервером\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Дата, время: " + ErrorTimeText(report.time)), std::wstring::npos);

    report.errorId = 0;
    EXPECT_EQ(ErrorReportText(report).find(L"["), std::wstring::npos);
}

}  // namespace
}  // namespace vorn
