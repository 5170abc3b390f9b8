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

    // Every status of the table to the letter; any other a general text.
    const struct {
        int status;
        const wchar_t* text;
    } statuses[] = {
        {400, L"Запрос не может быть обработан сервером из-за некорректного синтаксиса."},
        {401, L"Запрошенный ресурс требует аутентификации пользователя."},
        {402, L"Необходима оплата сервиса."},
        {403,
         L"Сервер понял запрос, но он отказывается его выполнять из-за ограничений в доступе для "
         L"клиента к указанному ресурсу."},
        {404,
         L"Сервер не нашел соответствующего ресурса по указанному адресу. Проверьте правильность "
         L"имени сервера обновлений в настройках приложения."},
        {405, L"Указанный клиентом метод нельзя применить к текущему ресурсу."},
        {406, L"Запрошенный URI не может удовлетворить переданным в заголовке характеристикам."},
        {407, L"Требуется проверка подлинности прокси-сервера."},
        {408,
         L"Время ожидания сервером передачи данных от клиента истекло. Повторите попытку позже."},
        {409,
         L"Запрос не был выполнен из-за конфликта с текущим состоянием ресурса. Пользователь "
         L"должен повторно отправить запрос с дополнительной информацией."},
        {410,
         L"Запрошенный ресурс больше не доступен на сервере, а нового адреса для пересылки "
         L"неизвестно."},
        {411,
         L"Сервер отказывается принимать запрос с неопределенным содержанием длины. Возможно "
         L"установлено ограничение на объем загружаемых данных."},
        {412,
         L"Предварительное условие, заданное в одном или нескольких полях заголовков запроса "
         L"признано неверным при проверке на сервере."},
        {413,
         L"Сервер отказывается обработать запрос по причине слишком большого размера тела "
         L"запроса."},
        {414,
         L"Сервер отказывается обслуживать запрос, потому что запрос URI (Uniform Resource "
         L"Identifier) длиннее, чем сервер может интерпретировать."},
        {415,
         L"Сервер отказывается обслуживать запрос, потому что объект запроса находится в формате, "
         L"не поддерживаемом запрошенным ресурсом для запрошенного метода."},
        {449, L"Недостаточно информации для обработки запроса."},
        {500, L"Внутренняя ошибка сервера."},
        {501,
         L"Сервер не поддерживает функциональные возможности, необходимые для выполнения запроса."},
        {502,
         L"Сервер, действуя в качестве шлюза или прокси-сервера, получил недопустимый ответ от "
         L"вышестоящего сервера, к которому он обратился для выполнения запроса."},
        {503,
         L"Сервер временно не имеет возможности обрабатывать запросы по техническим причинам "
         L"(обслуживание, перегрузка и прочее)."},
        {504,
         L"Сервер в роли шлюза или прокси-сервера не дождался ответа от вышестоящего сервера для "
         L"завершения текущего запроса."},
        {505,
         L"Сервер не поддерживает или отказывается поддерживать, версию HTTP протокола, которая "
         L"используется в сообщении запроса."},
        {490,
         L"Текущая версия приложения не поддерживается. Необходимо установить новую версию "
         L"Vorn_Update.exe"},
        {418, L"Неизвестная ошибка"},
        {200, L"Неизвестная ошибка"},
    };
    for (const auto& c : statuses) {
        EXPECT_EQ(HttpStatusText(c.status), c.text) << c.status;
    }
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
