#include "blacklist/ui/CBlackListDlg.h"

#include <vector>

#include <wx/button.h>
#include <wx/display.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ui/ProgramIcon.h"
#include "app/ui/Translate.h"
#include "blacklist/BlackListItem.h"
#include "blacklist/BlackListTree.h"
#include "blacklist/Composer.h"
#include "blacklist/ui/AddSubString.h"
#include "blacklist/ui/CAddCurrency.h"
#include "blacklist/ui/CAddNominalDlg.h"
#include "blacklist/ui/ValueEntryDialog.h"
#include "platform/ui/ModalQuestions.h"

namespace vorn {

using blacklist::BlackListItem;

namespace {

constexpr const char* kTopItemText = "The Black List";

// A tree item's node; the item owns it, so deleting items frees their nodes.
class NodeData : public wxTreeItemData {
public:
    explicit NodeData(std::unique_ptr<BlackListItem> item) : node(std::move(item)) {}
    std::unique_ptr<BlackListItem> node;
};

std::vector<wxTreeItemId> ChildrenOf(const wxTreeCtrl& tree, const wxTreeItemId& item) {
    std::vector<wxTreeItemId> children;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree.GetFirstChild(item, cookie); child.IsOk();
         child = tree.GetNextChild(item, cookie)) {
        children.push_back(child);
    }
    return children;
}

wxString ItemText(const BlackListItem& node) {
    const auto* nominal = dynamic_cast<const blacklist::BlackListNominal*>(&node);
    return nominal != nullptr && nominal->IsAnyNominal() ? wxString("Any")
                                                         : wxString(node.GetText());
}

}  // namespace

CBlackListDlg::CBlackListDlg(wxWindow* parent, const std::filesystem::path& path)
    : wxDialog(parent, wxID_ANY, "The New Black List - Editor (ESC - to Quit)", wxDefaultPosition,
               wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      path_(path),
      images_(16, 16, true) {
    SetIcons(ProgramIcons());
    images_.Add(ProgramIcons().GetIcon(wxSize(16, 16)));

    tree_ = new wxTreeCtrl(this, kTreeId, wxDefaultPosition, wxDefaultSize,
                           wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_SINGLE | wxBORDER_THEME);
    tree_->SetImageList(&images_);

    auto button = [this](int id, const wchar_t* text) { return new wxButton(this, id, Tr(text)); };
    auto* column = new wxBoxSizer(wxVERTICAL);
    for (const auto& [id, text] :
         {std::pair{kAddId, L"Добавить..."}, {kEditId, L"Редактор..."}, {kDeleteId, L"Удалить"}}) {
        column->Add(button(id, text), 0, wxEXPAND | wxBOTTOM, FromDIP(6));
    }
    column->AddStretchSpacer();
    column->Add(button(kSaveId, L"Сохранить..."), 0, wxEXPAND);

    auto* middle = new wxBoxSizer(wxHORIZONTAL);
    middle->Add(tree_, 1, wxEXPAND | wxRIGHT, FromDIP(8));
    middle->Add(column, 0, wxEXPAND);

    auto* search = new wxBoxSizer(wxHORIZONTAL);
    search->Add(new wxStaticText(this, kSearchLabelId, Tr(L"Подстрока:")), 0,
                wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(6));
    searchText_ = new wxTextCtrl(this, kSearchTextId, wxEmptyString, wxDefaultPosition,
                                 wxDefaultSize, wxTE_PROCESS_ENTER);
    search->Add(searchText_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(8));
    auto* find = button(kSearchId, L"Искать!");
    search->Add(find, 0, wxALIGN_CENTER_VERTICAL);
    SetDefaultItem(find);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(middle, 1, wxEXPAND | wxALL, FromDIP(10));
    top->Add(search, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(10));
    SetSizer(top);
    // Never larger than most of the screen: this toolkit's dialog units are larger than the ones
    // the size was made for, and 386 of them are taller than a 768-pixel screen.
    wxSize size = ConvertDialogToPixels(wxSize(373, 386));
    size.DecTo(wxDisplay(this).GetClientArea().GetSize() * 9 / 10);
    SetSize(size);
    SetMinSize(FromDIP(wxSize(420, 320)));
    CentreOnParent();

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Save(); }, kSaveId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { EditSelection(); }, kEditId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { DeleteSelection(); }, kDeleteId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { AddUnderSelection(); }, kAddId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Search(); }, kSearchId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Search(); }, wxID_OK);
    Bind(
        wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { Search(); }, kSearchTextId);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { EditSelection(); }, kEditId);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { DeleteSelection(); }, kDeleteId);
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent&) {
            AddNode(std::make_unique<blacklist::BlackListCurrency>(L"", nullptr));
        },
        kAddCurrencyId);
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent&) {
            AddNode(std::make_unique<blacklist::BlackListNominal>(100, 1995, blacklist::kAnyVersion,
                                                                  nullptr));
        },
        kAddNominalId);
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent&) {
            AddNode(std::make_unique<blacklist::BlackListSub>(true, L"", nullptr));
        },
        kAddSubId);
    tree_->Bind(wxEVT_TREE_SEL_CHANGED, [this](wxTreeEvent& event) {
        event.Skip();
        CallAfter([this] { UpdateButtons(); });
    });
    tree_->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& event) {
        event.Skip();
        CallAfter([this] { UpdateButtons(); });
    });
    tree_->Bind(wxEVT_TREE_ITEM_RIGHT_CLICK, &CBlackListDlg::OnRightClick, this);
    Bind(wxEVT_CLOSE_WINDOW, &CBlackListDlg::OnClose, this);
    Bind(wxEVT_CHAR_HOOK, &CBlackListDlg::OnCharHook, this);

    if (path_.empty()) {
        NewList();
    } else {
        LoadFile();
    }
    UpdateButtons();
}

void CBlackListDlg::Run(wxWindow* parent, const std::filesystem::path& path) {
    CBlackListDlg editor(parent, path);
    platform::RunModal(editor);
}

BlackListItem* CBlackListDlg::NodeOf(const wxTreeItemId& item) const {
    if (!item.IsOk()) {
        return nullptr;
    }
    auto* data = dynamic_cast<NodeData*>(tree_->GetItemData(item));
    return data != nullptr ? data->node.get() : nullptr;
}

int CBlackListDlg::NestingLevel(wxTreeItemId item) const {
    int level = 0;
    for (; item.IsOk(); item = tree_->GetItemParent(item)) {
        const BlackListItem* node = NodeOf(item);
        if (node == nullptr || node->Kind() != blacklist::kSubKind) {
            break;
        }
        ++level;
    }
    return level;
}

wxTreeItemId CBlackListDlg::Insert(const wxTreeItemId& parent, std::unique_ptr<BlackListItem> node,
                                   const wxString& text) {
    auto* data = new NodeData(std::move(node));
    if (!parent.IsOk()) {
        return tree_->AddRoot(text, 0, 0, data);
    }
    return tree_->AppendItem(parent, text, 0, 0, data);
}

void CBlackListDlg::ExpandEverything() {
    if (tree_->GetRootItem().IsOk()) {
        tree_->ExpandAll();
    }
}

void CBlackListDlg::NewList() {
    const wxTreeItemId top =
        Insert(wxTreeItemId(), std::make_unique<blacklist::BlackListRoot>(), kTopItemText);
    auto currency = std::make_unique<blacklist::BlackListCurrency>(L"USD", L"Currency Comment");
    const wxString text = currency->GetText();
    Insert(top, std::move(currency), text);
    ExpandEverything();
    modified_ = false;
}

void CBlackListDlg::LoadFile() {
    SetTitle(wxString(path_.wstring()) + " - " + Tr(L"Редактор (ESC - завершить работу)"));
    blacklist::LoadedBlackList loaded = blacklist::LoadBlackList(path_);
    if (loaded.scanFailed) {
        Tell(L"Контейнер недоступен", wxICON_QUESTION);
    }
    if (!loaded.root) {
        // A damaged list is shown as nothing rather than as the part before the damage, which
        // a save would then write over the whole list.
        Tell(L"Контейнер недоступен", wxICON_STOP);
        return;
    }
    // Depth-first, each node moved into the item that shows it.
    struct Step {
        blacklist::BlackListNode* node;
        wxTreeItemId parent;
    };
    std::vector<Step> steps{{loaded.root.get(), wxTreeItemId()}};
    while (!steps.empty()) {
        const Step step = steps.back();
        steps.pop_back();
        const wxString text =
            step.parent.IsOk() ? ItemText(*step.node->item) : wxString(kTopItemText);
        const wxTreeItemId item = Insert(step.parent, std::move(step.node->item), text);
        for (auto child = step.node->children.rbegin(); child != step.node->children.rend();
             ++child) {
            steps.push_back({&*child, item});
        }
    }
    ExpandEverything();
}

void CBlackListDlg::UpdateButtons() {
    const wxTreeItemId selected = tree_->GetSelection();
    const bool editable = selected.IsOk() && selected != tree_->GetRootItem();
    FindWindow(kEditId)->Enable(editable);
    FindWindow(kDeleteId)->Enable(editable);
    FindWindow(kAddId)->Enable(NodeOf(selected) != nullptr);
}

std::unique_ptr<wxMenu> CBlackListDlg::PrepareContextMenu(const wxTreeItemId& item) {
    tree_->SelectItem(item);
    target_ = item;
    const BlackListItem* node = NodeOf(item);
    const int kind = node != nullptr ? node->Kind() : 0;
    auto menu = std::make_unique<wxMenu>();
    menu->Append(kAddCurrencyId, Tr(L"Добавить Валюту"));
    menu->Append(kAddNominalId, Tr(L"Добавить Номинал"));
    menu->Append(kAddSubId, Tr(L"Добавить Серийный номер"));
    if (kind != blacklist::kRootKind) {
        menu->AppendSeparator();
        menu->Append(kEditId, Tr(L"Редактировать..."));
        menu->Append(kDeleteId, Tr(L"Удалить..."));
    }
    menu->Enable(kAddCurrencyId, item == tree_->GetRootItem() || kind == blacklist::kRootKind);
    menu->Enable(kAddNominalId, kind == blacklist::kCurrencyKind);
    menu->Enable(kAddSubId, NestingLevel(item) < kMaxNesting &&
                                (kind == blacklist::kNominalKind || kind == blacklist::kSubKind));
    return menu;
}

void CBlackListDlg::OnRightClick(wxTreeEvent& event) {
    if (!event.GetItem().IsOk()) {
        return;
    }
    const std::unique_ptr<wxMenu> menu = PrepareContextMenu(event.GetItem());
    PopupMenu(menu.get());
}

void CBlackListDlg::AddUnderSelection() {
    target_ = tree_->GetSelection();
    const BlackListItem* node = NodeOf(target_);
    if (node == nullptr) {
        return;
    }
    if (NestingLevel(target_) >= kMaxNesting) {
        Tell(L"Достигнут максимальный уровень вложенности", wxICON_STOP);
        return;
    }
    switch (node->Kind()) {
        case blacklist::kRootKind:
            AddNode(std::make_unique<blacklist::BlackListCurrency>(L"", nullptr));
            break;
        case blacklist::kCurrencyKind:
            AddNode(std::make_unique<blacklist::BlackListNominal>(100, 1995, blacklist::kAnyVersion,
                                                                  nullptr));
            break;
        case blacklist::kNominalKind:
        case blacklist::kSubKind:
            AddNode(std::make_unique<blacklist::BlackListSub>(true, L"", nullptr));
            break;
        default:
            break;
    }
}

void CBlackListDlg::AddNode(std::unique_ptr<BlackListItem> node) {
    if (!target_.IsOk() || !node->EditWithDialog(*this)) {
        return;
    }
    const wxString text = node->GetText();
    Insert(target_, std::move(node), text);
    tree_->Expand(target_);
    modified_ = true;
    UpdateButtons();
}

void CBlackListDlg::EditSelection() {
    const wxTreeItemId selected = tree_->GetSelection();
    BlackListItem* node = NodeOf(selected);
    if (node == nullptr || selected == tree_->GetRootItem()) {
        return;
    }
    if (node->EditWithDialog(*this) && blacklist::IsAnyNominal(node)) {
        // Numbers typed for "Any" make it a denomination of its own, which a save writes.
        auto denomination = std::make_unique<blacklist::BlackListNominal>(
            static_cast<const blacklist::BlackListNominal&>(*node));
        node = denomination.get();
        wxTreeItemData* replaced = tree_->GetItemData(selected);
        tree_->SetItemData(selected, new NodeData(std::move(denomination)));
        delete replaced;  // the tree does not free data it no longer holds
    }
    tree_->SetItemText(selected, ItemText(*node));
    modified_ = true;
}

void CBlackListDlg::DeleteSelection() {
    const wxTreeItemId selected = tree_->GetSelection();
    if (!selected.IsOk()) {
        return;
    }
    tree_->Delete(selected);
    modified_ = true;
    UpdateButtons();
}

void CBlackListDlg::Search() {
    const wxString wanted = searchText_->GetValue().Lower();
    if (wanted.empty()) {
        return;
    }
    // Pre-order, but below a matching item nothing more is looked at.
    wxTreeItemId match;
    std::vector<wxTreeItemId> pending;
    if (tree_->GetRootItem().IsOk()) {
        pending.push_back(tree_->GetRootItem());
    }
    while (!pending.empty() && !match.IsOk()) {
        const wxTreeItemId item = pending.back();
        pending.pop_back();
        if (tree_->GetItemText(item).Lower().Contains(wanted)) {
            match = item;
            break;
        }
        const std::vector<wxTreeItemId> children = ChildrenOf(*tree_, item);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    if (!match.IsOk()) {
        Tell(L"Ничего не нашлось", wxICON_INFORMATION);
        return;
    }
    tree_->Expand(match);
    tree_->SelectItem(match);
    tree_->EnsureVisible(match);
    searchText_->Clear();
    tree_->SetFocus();
    UpdateButtons();
}

void CBlackListDlg::Save() {
    Tell(L"Если не введён не один серийный номер банкноты, то отбраковка выполняться не будет!",
         wxICON_EXCLAMATION);
    // A root alone is no list any reader accepts; writing it would only spoil a good file.
    if (!tree_->GetRootItem().IsOk() || tree_->GetChildrenCount(tree_->GetRootItem(), false) == 0) {
        Tell(L"В списке нет ни одной валюты: сохранять нечего.", wxICON_STOP);
        return;
    }
    platform::FileQuestion question;
    question.save = true;
    question.fileName = "*.blist";
    question.defaultExtension = "blist";
    question.wildcard = "Black List Files (*.blist)|*.blist";
    const auto chosen = platform::AskFile(this, question);
    if (!chosen) {
        return;
    }
    blacklist::Composer composer(std::filesystem::path(chosen->ToStdWstring()));
    const int written = blacklist::WriteBranch(
        composer, tree_->GetRootItem(),
        [this](const wxTreeItemId& item) { return ChildrenOf(*tree_, item); },
        [this](const wxTreeItemId& item) -> const BlackListItem* {
            return item.IsOk() ? NodeOf(item) : nullptr;
        });
    if (written == blacklist::kComposeLeafBeforeContainer) {
        Tell(
            L"Список нельзя сохранить: серийные номера без вложенных номеров прямо под валютой "
            L"(«Any») не могут стоять в файле рядом с номиналами этой валюты. Перенесите их под "
            L"номинал.",
            wxICON_STOP);
        return;
    }
    if (written != blacklist::kComposeOk || !composer.Save()) {
        Tell(L"Не удалось сохранить чёрный список.", wxICON_STOP);
        return;
    }
    Tell(L"Успешно сохранено.", wxICON_INFORMATION);
    modified_ = false;
}

void CBlackListDlg::OnClose(wxCloseEvent& event) {
    if (modified_ && event.CanVeto() &&
        platform::AskMessage(this, Tr(L"Изменения не сохранены, всё равно выйти?"), GetTitle(),
                             wxYES_NO | wxICON_STOP) != wxID_YES) {
        event.Veto();
        return;
    }
    EndDialog(wxID_CANCEL);
}

void CBlackListDlg::OnCharHook(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE) {
        EndDialog(wxID_CANCEL);
        return;
    }
    event.Skip();
}

void CBlackListDlg::Tell(const wchar_t* text, long icon) {
    platform::AskMessage(this, Tr(text), GetTitle(), wxOK | icon);
}

bool CBlackListDlg::EditCurrency(std::wstring& name, std::wstring& comment) {
    CAddCurrency dialog(this, name, comment);
    if (platform::RunModal(dialog) != wxID_OK) {
        return false;
    }
    name = dialog.Value();
    comment = dialog.Comment();
    return true;
}

bool CBlackListDlg::EditSubstring(std::wstring& text, std::wstring& comment) {
    AddSubString dialog(this, text, comment);
    if (platform::RunModal(dialog) != wxID_OK) {
        return false;
    }
    text = dialog.Value();
    comment = dialog.Comment();
    return true;
}

bool CBlackListDlg::EditNominal(blacklist::NominalEntry& entry) {
    CAddNominalDlg dialog(this, entry.nominal, static_cast<std::uint32_t>(entry.year),
                          entry.version, entry.comment);
    if (platform::RunModal(dialog) != wxID_OK) {
        return false;
    }
    entry = dialog.Entry();
    return true;
}

}  // namespace vorn
