#include "monitor/ErrorTexts.h"

#include <array>
#include <ctime>
#include <cwchar>

#include "platform/LocalTime.h"
#include "translation/Vocabrix.h"

namespace vorn {

namespace {

std::wstring Translated(const wchar_t* text) {
    const wchar_t* translated = Localization::CVocabrix::Instance().TranslateString(text);
    return translated != nullptr ? translated : text;
}

struct HttpStatusRow {
    int code;
    const char* name;  // the status's name, kept beside its text for the log and the reader
    const wchar_t* text;
};

// Looked up from the top: the first row with the code wins.
constexpr std::array<HttpStatusRow, 24> kHttpStatusRows{{
    {400, "HTTP_STATUS_BAD_REQUEST",
     L"Запрос не может быть обработан сервером из-за некорректного синтаксиса."},
    {401, "HTTP_STATUS_DENIED", L"Запрошенный ресурс требует аутентификации пользователя."},
    {402, "HTTP_STATUS_PAYMENT_REQ", L"Необходима оплата сервиса."},
    {403, "HTTP_STATUS_FORBIDDEN",
     L"Сервер понял запрос, но он отказывается его выполнять из-за ограничений в доступе для "
     L"клиента к указанному ресурсу."},
    {404, "HTTP_STATUS_NOT_FOUND",
     L"Сервер не нашел соответствующего ресурса по указанному адресу. Проверьте правильность имени "
     L"сервера обновлений в настройках приложения."},
    {405, "HTTP_STATUS_BAD_METHOD",
     L"Указанный клиентом метод нельзя применить к текущему ресурсу."},
    {406, "HTTP_STATUS_NONE_ACCEPTABLE",
     L"Запрошенный URI не может удовлетворить переданным в заголовке характеристикам."},
    {407, "HTTP_STATUS_PROXY_AUTH_REQ", L"Требуется проверка подлинности прокси-сервера."},
    {408, "HTTP_STATUS_REQUEST_TIMEOUT",
     L"Время ожидания сервером передачи данных от клиента истекло. Повторите попытку позже."},
    {409, "HTTP_STATUS_CONFLICT",
     L"Запрос не был выполнен из-за конфликта с текущим состоянием ресурса. Пользователь должен "
     L"повторно отправить запрос с дополнительной информацией."},
    {410, "HTTP_STATUS_GONE",
     L"Запрошенный ресурс больше не доступен на сервере, а нового адреса для пересылки "
     L"неизвестно."},
    {411, "HTTP_STATUS_LENGTH_REQUIRED",
     L"Сервер отказывается принимать запрос с неопределенным содержанием длины. Возможно "
     L"установлено ограничение на объем загружаемых данных."},
    {412, "HTTP_STATUS_PRECOND_FAILED",
     L"Предварительное условие, заданное в одном или нескольких полях заголовков запроса признано "
     L"неверным при проверке на сервере."},
    {413, "HTTP_STATUS_REQUEST_TOO_LARGE",
     L"Сервер отказывается обработать запрос по причине слишком большого размера тела запроса."},
    {414, "HTTP_STATUS_URI_TOO_LONG",
     L"Сервер отказывается обслуживать запрос, потому что запрос URI (Uniform Resource Identifier) "
     L"длиннее, чем сервер может интерпретировать."},
    {415, "HTTP_STATUS_UNSUPPORTED_MEDIA",
     L"Сервер отказывается обслуживать запрос, потому что объект запроса находится в формате, не "
     L"поддерживаемом запрошенным ресурсом для запрошенного метода."},
    {449, "HTTP_STATUS_RETRY_WITH", L"Недостаточно информации для обработки запроса."},
    {500, "HTTP_STATUS_SERVER_ERROR", L"Внутренняя ошибка сервера."},
    {501, "HTTP_STATUS_NOT_SUPPORTED",
     L"Сервер не поддерживает функциональные возможности, необходимые для выполнения запроса."},
    {502, "HTTP_STATUS_BAD_GATEWAY",
     L"Сервер, действуя в качестве шлюза или прокси-сервера, получил недопустимый ответ от "
     L"вышестоящего сервера, к которому он обратился для выполнения запроса."},
    {503, "HTTP_STATUS_SERVICE_UNAVAIL",
     L"Сервер временно не имеет возможности обрабатывать запросы по техническим причинам "
     L"(обслуживание, перегрузка и прочее)."},
    {504, "HTTP_STATUS_GATEWAY_TIMEOUT",
     L"Сервер в роли шлюза или прокси-сервера не дождался ответа от вышестоящего сервера для "
     L"завершения текущего запроса."},
    {505, "HTTP_STATUS_VERSION_NOT_SUP",
     L"Сервер не поддерживает или отказывается поддерживать, версию HTTP протокола, которая "
     L"используется в сообщении запроса."},
    {490, "HTTP_STATUS_APP_VERSION_NOT_SUPPORTED",
     L"Текущая версия приложения не поддерживается. Необходимо установить новую версию "
     L"Vorn_Update.exe"},
}};

}  // namespace

std::wstring HttpStatusText(int status) {
    for (const HttpStatusRow& row : kHttpStatusRows) {
        if (row.code == status) {
            return Translated(row.text);
        }
    }
    return Translated(L"Неизвестная ошибка");
}

std::wstring ErrorCategoryText(int category) {
    switch (category) {
        case 0:
            return Translated(L"Коммуникация с сервером");
        case 1:
            return Translated(L"Коммуникация с устройством");
        default:
            return Translated(L"Неизвестно");
    }
}

std::wstring WrapErrorDescription(const std::wstring& text) {
    std::wstring wrapped;
    wrapped.reserve(text.size() + text.size() / kErrorLineLength + 1);
    std::size_t count = 0;
    for (const wchar_t c : text) {
        wrapped += c;
        if (c == L'\n') {
            count = 0;
            continue;
        }
        ++count;
        if (c == L' ' && count >= kErrorLineLength) {
            wrapped += L'\n';
            count = 0;
        }
    }
    return wrapped;
}

std::wstring ErrorTimeText(int year, int month, int day, int hour, int minute, int second) {
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%02d/%02d/%04d %02d:%02d:%02d", day, month, year, hour,
                  minute, second);
    return text;
}

std::wstring ErrorTimeText(std::chrono::system_clock::time_point time) {
    const std::time_t when = std::chrono::system_clock::to_time_t(time);
    const std::tm local = vorn::platform::ToLocalTime(when).value_or(std::tm{});
    return ErrorTimeText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec);
}

std::wstring ErrorReportText(const AgentErrorRecord& report) {
    std::wstring text = L"ERROR!";
    if (report.errorId != 0) {
        text += L" [" + std::to_wstring(report.errorId) + L"]";
    }
    text += L"\n" + Translated(L"Описание:") + L"\n" + report.description + L"\n";
    text += Translated(L"Категория:") + L" " + ErrorCategoryText(report.category) + L"\n";
    text += Translated(L"Дата, время:") + L" " + ErrorTimeText(report.time) + L"\n";
    return text;
}

}  // namespace vorn
