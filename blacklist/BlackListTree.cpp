#include "blacklist/BlackListTree.h"

#include "platform/TextConversion.h"

namespace vorn::blacklist {

LoadedBlackList LoadBlackList(const std::filesystem::path& file) {
    BlackListReader reader;
    const bool opened = reader.Open(file);
    LoadedBlackList loaded = LoadBlackList(reader);
    loaded.scanFailed = !opened;
    return loaded;
}

LoadedBlackList LoadBlackList(BlackListReader& reader) {
    LoadedBlackList loaded;
    auto fail = [&](std::string error, std::size_t offset) {
        loaded.root.reset();
        loaded.error = std::move(error);
        loaded.errorOffset = offset;
        return std::move(loaded);
    };
    std::unique_ptr<BlackListItem> root = reader.ReadRoot();
    if (!root) {
        return fail(reader.Error(), reader.ErrorOffset());
    }
    loaded.root = std::make_unique<BlackListNode>();
    loaded.root->item = std::move(root);
    BlackListNode* currency = nullptr;
    BlackListNode* nominal = nullptr;
    std::vector<BlackListNode*> groups;
    while (!reader.AtEnd()) {
        std::unique_ptr<BlackListItem> item = reader.Next();
        if (!item) {
            break;
        }
        switch (item->Kind()) {
            case kCurrencyKind:
                currency = &loaded.root->Add(std::move(item));
                nominal = nullptr;
                break;
            case kNominalKind:
                if (currency == nullptr) {
                    return fail("a denomination outside any currency", reader.CurrentOffset());
                }
                nominal = &currency->Add(std::move(item));
                groups.clear();
                break;
            case kSubKind: {
                if (nominal == nullptr) {
                    if (currency == nullptr) {
                        return fail("a serial number outside any currency", reader.CurrentOffset());
                    }
                    nominal = &currency->Add(std::make_unique<BlackListAnyNominal>());
                }
                const bool group = static_cast<BlackListSub&>(*item).isGroup != 0;
                BlackListNode& parent = groups.empty() ? *nominal : *groups.back();
                BlackListNode& added = parent.Add(std::move(item));
                if (group) {
                    groups.push_back(&added);
                }
                break;
            }
            default:  // the end of a container
                if (!groups.empty()) {
                    groups.pop_back();
                }
                break;
        }
    }
    if (!reader.Error().empty()) {
        return fail(reader.Error(), reader.ErrorOffset());
    }
    return loaded;
}

int AddNodeRecord(Composer& composer, const BlackListItem& item, bool hasChildren) {
    const std::string comment = platform::WideToUtf8(item.Comment());
    switch (item.Kind()) {
        case kRootKind:
            return composer.AddRoot();
        case kCurrencyKind:
            return composer.AddCurrency(
                platform::WideToUtf8(static_cast<const BlackListCurrency&>(item).Value()), comment);
        case kNominalKind: {
            const auto& nominal = static_cast<const BlackListNominal&>(item);
            return composer.AddNominal(nominal.nominal, nominal.year, nominal.version, comment);
        }
        case kSubKind:
            return composer.AddSub(
                platform::WideToUtf16(static_cast<const BlackListSub&>(item).Value()), comment,
                hasChildren ? kGroupSubRecord : kPlainSubRecord);
        default:
            return kComposeOk;
    }
}

bool IsAnyNominal(const BlackListItem* item) {
    return item != nullptr && item->Kind() == kNominalKind &&
           static_cast<const BlackListNominal*>(item)->IsAnyNominal();
}

int WriteTree(Composer& composer, const BlackListNode& root) {
    return WriteBranch(
        composer, &root,
        [](const BlackListNode* node) {
            std::vector<const BlackListNode*> children;
            for (const BlackListNode& child : node->children) {
                children.push_back(&child);
            }
            return children;
        },
        [](const BlackListNode* node) { return node->item.get(); });
}

}  // namespace vorn::blacklist
