#pragma once

#include "core/model/MenuTree.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <string>
#include <utility>

namespace qv {

// The menu tree as the designer's tree view sees it: one column, one row per item, the item's
// text as its caption. The model owns the tree and is the only way the window changes it, so the
// view hears of every insertion, removal and caption change as it happens.
//
// Every call is O(1) per index: an index carries its MenuItem*, and an item knows its parent and
// its position among its siblings, so nothing here walks the tree or recurses.
class MenuTreeModel final : public QAbstractItemModel
{
    Q_OBJECT

public:
    // The tree view lays out expanded items with one nested call per level, about 300 bytes of
    // stack each, so it is shown this many levels at most (some 3 MB of stack): an item of the
    // last shown level counts as a leaf for the view, which never opens it, and the items below
    // it stay in the design without being shown.
    static constexpr int kShownLevels = 10000;
    static bool IsDeepestShown(const MenuItem* item)
    {
        return item != nullptr && item->Level() >= kShownLevels - 1;
    }

    explicit MenuTreeModel(QObject* parent = nullptr);
    ~MenuTreeModel() override;

    const MenuTree& Tree() const { return m_tree; }

    // The item of an index (null for the invalid index), and the index of an item (the invalid
    // index for null).
    MenuItem* ItemOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const MenuItem* item) const;

    // Appends as the last root, or as the last sub item of `parent` (a root when null).
    MenuItem* AppendRoot(std::string text, TMyRec rec = {});
    MenuItem* AppendChild(MenuItem* parent, std::string text, TMyRec rec = {});

    // Removes an item with everything below it.
    void Remove(MenuItem* item);
    // Removes every item.
    void Clear();

    // The caption shown in the view; a change repaints the item's row at once.
    void SetText(MenuItem* item, std::string text);

    // Fields of the record that the view does not show.
    void SetLink(MenuItem* item, std::string link);
    void SetHeight(MenuItem* item, std::int32_t height);
    void SetWidth(MenuItem* item, std::int32_t width);
    void ApplyHeightToAll(std::int32_t height);
    void ApplyWidthToAll(std::int32_t width);

    // Loads many items at once (a project being opened): the view is reset once around the
    // whole load instead of hearing of every item. `load` receives the tree.
    template <class Load>
    void ResetWith(Load&& load)
    {
        beginResetModel();
        std::forward<Load>(load)(m_tree);
        endResetModel();
    }

    // The tree for passes that write only record fields the view does not show (the naming pass
    // of code generation and saving). Texts and structure must change through the model.
    MenuTree& TreeForRecords() { return m_tree; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    MenuTree m_tree;
};

} // namespace qv
