#pragma once

#include <filesystem>
#include <memory>

#include <wx/dialog.h>
#include <wx/imaglist.h>
#include <wx/treectrl.h>

#include "blacklist/BlackListEntryEditor.h"

class wxMenu;
class wxTextCtrl;

namespace vorn {

namespace blacklist {
class BlackListItem;
}

// The black list editor: the list as a tree (root, currencies, denominations, serial numbers),
// entries added, edited and deleted through their entry dialogs, a search, and saving as a
// ".blist" file. An empty path starts a new list. Escape closes it at once; the close box asks
// first when there are unsaved changes.
class CBlackListDlg : public wxDialog, private blacklist::BlackListEntryEditor {
public:
    static constexpr int kTreeId = 1111;
    static constexpr int kDeleteId = 1114;
    static constexpr int kEditId = 1115;
    static constexpr int kSaveId = 1116;
    static constexpr int kAddId = 1117;
    static constexpr int kAddCurrencyId = 1118;
    static constexpr int kAddNominalId = 1119;
    static constexpr int kAddSubId = 1120;
    static constexpr int kSearchTextId = 1129;
    static constexpr int kSearchId = 1130;
    static constexpr int kSearchLabelId = 1135;
    static constexpr int kMaxNesting = 7;

    CBlackListDlg(wxWindow* parent, const std::filesystem::path& path);

    // Runs the editor modally over `parent`: a new list for an empty path, else that file.
    static void Run(wxWindow* parent, const std::filesystem::path& path);

    wxTreeCtrl& Tree() { return *tree_; }
    bool IsModified() const { return modified_; }
    // The node an item carries, or nothing.
    blacklist::BlackListItem* NodeOf(const wxTreeItemId& item) const;
    // Serial-number items met from `item` up through its parents, `item` included.
    int NestingLevel(wxTreeItemId item) const;

    // Selects `item`, makes it the target of the menu's commands and builds the context menu
    // with its entries enabled; the right click shows it.
    std::unique_ptr<wxMenu> PrepareContextMenu(const wxTreeItemId& item);
    // Enables the buttons for the selected item.
    void UpdateButtons();

private:
    void NewList();
    void LoadFile();
    void Search();
    void Save();
    void AddUnderSelection();
    void AddNode(std::unique_ptr<blacklist::BlackListItem> node);
    void EditSelection();
    void DeleteSelection();
    void OnClose(wxCloseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnRightClick(wxTreeEvent& event);
    void Tell(const wchar_t* text, long icon);
    wxTreeItemId Insert(const wxTreeItemId& parent, std::unique_ptr<blacklist::BlackListItem> node,
                        const wxString& text);
    void ExpandEverything();

    bool EditCurrency(std::wstring& name, std::wstring& comment) override;
    bool EditSubstring(std::wstring& text, std::wstring& comment) override;
    bool EditNominal(blacklist::NominalEntry& entry) override;

    std::filesystem::path path_;
    bool modified_ = false;
    wxTreeItemId target_;
    wxTreeCtrl* tree_ = nullptr;
    wxTextCtrl* searchText_ = nullptr;
    wxImageList images_;
};

}  // namespace vorn
