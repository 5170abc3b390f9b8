#pragma once

// A black list as a tree of nodes without a window, and the two walks that connect a tree to a
// file: loading (the reader's records into a tree) and writing (a tree into a Composer). The
// editor keeps its tree in its tree control and writes through the same WriteBranch.

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "blacklist/BlackListItem.h"
#include "blacklist/BlackListReader.h"
#include "blacklist/Composer.h"

namespace vorn::blacklist {

struct BlackListNode {
    std::unique_ptr<BlackListItem> item;
    std::list<BlackListNode> children;  // a list, so that a node stays put while siblings come

    BlackListNode& Add(std::unique_ptr<BlackListItem> child) {
        children.push_back({std::move(child), {}});
        return children.back();
    }
};

struct LoadedBlackList {
    std::unique_ptr<BlackListNode> root;  // nothing when the file holds no whole list
    bool scanFailed = false;              // the search for a leading block failed
    std::string error;                    // the first problem met, with its offset in the file
    std::size_t errorOffset = 0;
};

// Reads the file into a tree. A substring that follows its currency directly gets a
// BlackListAnyNominal parent. Damage anywhere gives no tree, never a part of one.
LoadedBlackList LoadBlackList(const std::filesystem::path& file);
LoadedBlackList LoadBlackList(BlackListReader& reader);

// The record of one node; a substring is a group (type 4) exactly when it has children.
int AddNodeRecord(Composer& composer, const BlackListItem& item, bool hasChildren);

// True for the "Any" denomination that loading puts over serial numbers found directly under
// their currency.
bool IsAnyNominal(const BlackListItem* item);

// Writes the branch under `node`: the node's record, then its children that have children of
// their own, then those that have none (each group in tree order), then the end record; a
// currency or denomination without children is closed all the same. An "Any" denomination is
// no record of its own: its children are written in its place, directly under the currency and
// ahead of the currency's denominations, as they were read (a reader puts a serial number that
// follows a denomination under that denomination). `childrenOf(node)` gives a node's children
// in order, `itemOf(node)` its BlackListItem (a node without one is left out with its branch).
// Returns the first refusal of the composer, or kComposeOk; kComposeLeafBeforeContainer when
// plain serial numbers under "Any" would have to stand before a denomination, which the file
// cannot hold.
template <class Node, class ChildrenOf, class ItemOf>
int WriteBranch(Composer& composer, const Node& node, const ChildrenOf& childrenOf,
                const ItemOf& itemOf) {
    const BlackListItem* item = itemOf(node);
    if (item == nullptr) {
        return kComposeOk;
    }
    std::vector<Node> direct;  // children of "Any", written straight under this node
    std::vector<Node> own;
    for (const Node& child : childrenOf(node)) {
        if (IsAnyNominal(itemOf(child))) {
            for (const Node& grandchild : childrenOf(child)) {
                direct.push_back(grandchild);
            }
        } else {
            own.push_back(child);
        }
    }
    if (const int result = AddNodeRecord(composer, *item, !direct.empty() || !own.empty());
        result != kComposeOk) {
        return result;
    }
    if (direct.empty() && own.empty()) {
        const bool container = item->Kind() == kCurrencyKind || item->Kind() == kNominalKind;
        return container ? composer.AddEnd() : kComposeOk;
    }
    for (const std::vector<Node>* children : {&direct, &own}) {
        std::vector<Node> leaves;
        for (const Node& child : *children) {
            if (childrenOf(child).empty()) {
                leaves.push_back(child);
            } else if (const int result = WriteBranch(composer, child, childrenOf, itemOf);
                       result != kComposeOk) {
                return result;
            }
        }
        for (const Node& child : leaves) {
            if (const int result = WriteBranch(composer, child, childrenOf, itemOf);
                result != kComposeOk) {
                return result;
            }
        }
    }
    return composer.AddEnd();
}

// WriteBranch over a BlackListNode tree.
int WriteTree(Composer& composer, const BlackListNode& root);

}  // namespace vorn::blacklist
