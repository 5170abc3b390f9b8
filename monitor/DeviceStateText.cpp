#include "monitor/DeviceStateText.h"

#include "translation/Vocabrix.h"

namespace vorn {

namespace {

// Every state text passes through here on its way to the screen. The library's pointer lives
// only until the language changes, so it is copied at once.
std::wstring Translated(const wchar_t* text) {
    const wchar_t* translated = Localization::CVocabrix::Instance().TranslateString(text);
    return translated != nullptr ? translated : text;
}

}  // namespace

std::wstring ConnectStateText(int32_t connect) {
    switch (connect) {
        case kNotConnected:
            return Translated(L"Нет");
        case kConnectionChecking:
            return Translated(L"Проверяется");
        case kConnected:
            return Translated(L"Да");
        default:
            return {};
    }
}

std::wstring UpdateStateText(int32_t updates) {
    switch (updates) {
        case kUpdateAvailable:
            return Translated(L"Доступно");
        case kUpdateChecking:
            return Translated(L"Проверяется");
        case kUpdateNotRequired:
            return Translated(L"Не требуется");
        case kNotRegistered:
            return Translated(L"Не зарегистрировано");
        case kNotActive:
            return Translated(L"Не активно");
        case kUpdateAbsent:
            return Translated(L"Отсутствует");
        case kNoInformation:
            return Translated(L"Нет информации");
        default:
            return {};
    }
}

int DeviceRowImage(const DeviceRecord& record) {
    if (record.connect != kConnected) {
        return 2;
    }
    return record.updates == kUpdateAvailable ? 1 : 0;
}

std::array<std::wstring, 6> DeviceRowCells(const DeviceRecord& record) {
    return {record.type,
            record.serialno,
            record.name,
            ConnectStateText(record.connect),
            UpdateStateText(record.updates),
            record.attributeName};
}

}  // namespace vorn
