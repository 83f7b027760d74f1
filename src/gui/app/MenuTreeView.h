#pragma once

#include <QTreeView>

#include <vector>

namespace qv {

class MenuItem;
class MenuTreeModel;

// The designer's tree of menu items: a QTreeView over a MenuTreeModel that stays usable on
// designs of 100,000 items and chains thousands of levels deep. Everything the view needs for
// that lives here, so the window only says what to show:
//  - rows of one height, as tall as the desktop's usual tree rows (the view then places rows
//    without measuring each);
//  - the one column grows to hold the deepest row, which then scrolls sideways;
//  - opening is done without recording leaves or levels the view cannot show, and with the
//    layout put off until all items are open;
//  - in a deep design, open items are closed around a removal and opened again after it;
//  - '*' opens the current item's branch the same way;
//  - a subtree put back (a delete undone) opens as it was shown;
//  - items are dragged and dropped within the view only, with a drop indicator; the model makes
//    the move; the line between an open item and its first sub item puts the item there;
//  - the context menu shows the view's actions (the window's commands on the tree), with their
//    shortcuts; the Menu key and Shift+F10 show it at the current item.
class MenuTreeView final : public QTreeView
{
    Q_OBJECT

public:
    // Designs deeper than this open this far by themselves (ExpandAllItems); deeper levels open
    // by hand, down to the last level the tree shows (MenuTreeModel::kShownLevels).
    static constexpr int kAutoExpandDepth = 1000;
    // From this depth on, open items are closed around a removal and opened again after it.
    static constexpr int kDeepDesignLevels = 64;

    explicit MenuTreeView(QWidget* parent = nullptr);
    ~MenuTreeView() override;

    // Shows the model's tree. The view does not own the model.
    void SetMenuModel(MenuTreeModel* model);

    // The item selected in the tree, or null.
    MenuItem* SelectedItem() const;
    // Makes the item current and selected, opening the items above it and scrolling to it; null
    // selects nothing.
    void SelectItem(MenuItem* item);

    // Opens every root with all the items below it, down to kAutoExpandDepth levels, so that a
    // loaded project shows whole.
    void ExpandAllItems();

signals:
    // The context menu is about to show: the window brings its actions up to date.
    void ContextMenuAboutToShow();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reset() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    void RowsRemoved();
    // The open item with sub items whose row has the drop indicator at its bottom edge, the line
    // drawn between it and its first sub item, at `pos`; the invalid index for any other place.
    QModelIndex OpenItemAboveLine(const QPoint& pos) const;
    // Opens `top` and the items below it with sub items, down to the level `levels` - 2, so
    // that `levels` levels show.
    void ExpandBranch(const MenuItem* top, int levels);
    // Makes the column wide enough for rows down to `deepestLevel`.
    void FitColumn(int deepestLevel);

    MenuTreeModel* m_model = nullptr;
    // Of the design, as far as the tree shows it: kept on every insertion, removal and reset.
    int m_deepestLevel = 0;
    // The open items to open again once a removal in a deep design is done.
    std::vector<const MenuItem*> m_reopen;
    bool m_reopenPending = false;
};

} // namespace qv
