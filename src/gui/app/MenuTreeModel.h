#pragma once

#include "core/model/MenuTree.h"
#include "core/model/TreeCommands.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <string>
#include <utility>

namespace qv {

// The menu tree as the designer's tree view sees it: one column, one row per item, the item's
// text as its caption. The model owns the tree and its edit history, and every change to the
// tree goes through a command of that history (a rename through setData too), except loading and
// clearing a whole design. It watches the tree, so the view hears of every insertion, removal,
// move and caption change as it happens, whichever command made it.
//
// Every call is O(1) per index: an index carries its MenuItem*, and an item knows its parent and
// its position among its siblings, so nothing here walks the tree or recurses.
//
// Items can be dragged within the view that shows the model: a drag carries a token of this
// model's current drag only, so nothing from elsewhere is ever dropped, and a drop is a "Move"
// step of the history.
class MenuTreeModel final : public QAbstractItemModel, private MenuTreeObserver
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

    // Removes every item and clears the history.
    void Clear();
    // Replaces the design by the one that `load` reads into a tree of its own (a project being
    // opened), and clears the history. The view hears of one reset, which is begun only once the
    // design has been read: when `load` throws, the model, the design and the history stay as
    // they were.
    template <class Load>
    void ResetWith(Load&& load)
    {
        MenuTree loaded;
        std::forward<Load>(load)(loaded);
        Replace(loaded); // `loaded` then holds the old design, destroyed here
    }

    // The edit history, the one way the tree changes: Do applies a command and keeps it as a
    // step, Undo and Redo take the steps back and forth. Each returns the item to select then
    // (see EditHistory) and tells HistoryChanged.
    const EditHistory& History() const { return m_history; }
    MenuItem* Do(std::unique_ptr<TreeCommand> command);
    MenuItem* Undo();
    MenuItem* Redo();
    // The next edit starts a step of its own.
    void SealHistory() { m_history.Seal(); }
    // Set while a step is being applied, undone or redone: a view whose selection moves in the
    // middle of it (a removal) waits for HistoryChanged.
    bool InStep() const { return m_inStep; }

    // The tree for passes that write only record fields the view does not show (the naming pass
    // of code generation and saving). Texts and structure change through the history.
    MenuTree& TreeForRecords() { return m_tree; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Dragging and dropping items within the view.
    static const QString kDragFormat;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    // The drag of the first item among `indexes`.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    // Only this model's current drag, to a place the item may move to: not onto or into itself
    // or below itself, nor onto the last level shown. Dropped on an item (row -1) the item
    // becomes its last sub item; dropped between rows it goes there.
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    // The history has changed: a step was done (or merged into the last one), undone or redone,
    // or the history was cleared with the design. `select` is the item to select now, null when
    // there is none.
    void HistoryChanged(qv::MenuItem* select);

private:
    void Replace(MenuTree& loaded);
    MenuItem* Stepped(MenuItem* select);

    // The dragged item and the place a drop would put it; null when the drop is refused.
    MenuItem* DropTarget(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent, MenuItem*& toParent,
                         std::size_t& position) const;

    void AboutToInsert(const MenuItem* parent, std::size_t position) override;
    void Inserted() override;
    void AboutToRemove(const MenuItem* item) override;
    void Removed() override;
    void AboutToMove(const MenuItem* item, const MenuItem* parent, std::size_t position) override;
    void Moved() override;
    void TextChanged(const MenuItem* item) override;
    void AboutToReset() override;
    void Reset() override;

    MenuTree m_tree;
    EditHistory m_history;
    bool m_inStep = false;
    // The item being dragged, and the token its drag carries; a removal ends the drag.
    mutable MenuItem* m_dragged = nullptr;
    mutable quint64 m_dragToken = 0;
};

} // namespace qv
