#include "gui/app/MenuTreeView.h"

#include "gui/app/MenuTreeModel.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QStyledItemDelegate>

#include <algorithm>

namespace qv {

namespace {

// Rows as tall as the desktop's usual tree rows, so that items are easy to hit.
class TreeRowDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 16));
        return size;
    }
};

} // namespace

MenuTreeView::MenuTreeView(QWidget* parent) : QTreeView(parent)
{
    setItemDelegate(new TreeRowDelegate(this));
    // Items move by drag and drop within the view; drags from elsewhere are refused.
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
}

MenuTreeView::~MenuTreeView() = default;

void MenuTreeView::SetMenuModel(MenuTreeModel* model)
{
    setModel(model);
    m_model = model;
    // After the view's own handling of the removal, which comes first.
    connect(model, &QAbstractItemModel::rowsRemoved, this, &MenuTreeView::RowsRemoved);
    // A move in may make the design deeper, a move out shallower.
    connect(model, &QAbstractItemModel::rowsMoved, this,
            [this] { FitColumn(m_model->Tree().DeepestLevel()); });
    FitColumn(model->Tree().DeepestLevel());
}

MenuItem* MenuTreeView::SelectedItem() const
{
    const QItemSelectionModel* selection = selectionModel();
    if (m_model == nullptr || selection == nullptr || !selection->hasSelection())
        return nullptr;
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? nullptr : m_model->ItemOf(rows.constFirst());
}

void MenuTreeView::SelectItem(MenuItem* item)
{
    if (item == nullptr) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_model->IndexOf(item);
    // Every closed item above it is opened, so that it shows: an undo may bring an item back
    // under a branch closed since. Several are opened with the layout put off (see ExpandBranch).
    std::vector<const MenuItem*> closed;
    for (const MenuItem* up = item->Parent(); up != nullptr; up = up->Parent())
        if (!isExpanded(m_model->IndexOf(up)))
            closed.push_back(up);
    if (closed.size() > 1)
        setRootIndex(rootIndex());
    for (auto it = closed.rbegin(); it != closed.rend(); ++it)
        expand(m_model->IndexOf(*it));
    setCurrentIndex(index);
    scrollTo(index);
}

void MenuTreeView::ExpandAllItems()
{
    const MenuTree& design = m_model->Tree();
    for (std::size_t i = 0; i < design.RootCount(); ++i)
        ExpandBranch(design.Root(i), kAutoExpandDepth);
}

void MenuTreeView::ExpandBranch(const MenuItem* top, int levels)
{
    // Setting the root again puts the view's layout off until all items are open, so that each
    // expand below only records its item and the view lays out once. Leaves are not recorded:
    // the view revisits every recorded item whenever an item is removed.
    setRootIndex(rootIndex());
    std::vector<const MenuItem*> work{top};
    while (!work.empty()) {
        const MenuItem* item = work.back();
        work.pop_back();
        if (item->ChildCount() == 0 || item->Level() >= levels - 1 ||
            MenuTreeModel::IsDeepestShown(item))
            continue;
        expand(m_model->IndexOf(item));
        for (std::size_t k = 0; k < item->ChildCount(); ++k)
            work.push_back(item->Child(k));
    }
}

void MenuTreeView::FitColumn(int deepestLevel)
{
    // The one column fills the view and grows to hold its deepest row, which then scrolls
    // sideways. Deep rows must lie inside the column: the view finds a row by the column under a
    // point, and its keyboard moves look for the new current row at the middle of the row's
    // rectangle, which for a row indented past the column would clear the selection.
    constexpr int kCaptionRoom = 120;
    m_deepestLevel = std::min(deepestLevel, MenuTreeModel::kShownLevels - 1);
    header()->setMinimumSectionSize(indentation() * (m_deepestLevel + 1) + kCaptionRoom);
}

void MenuTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    // A right click selects the item under the pointer first, as the commands act on the
    // selected item.
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex under = indexAt(event->pos());
        if (under.isValid() && under != currentIndex())
            setCurrentIndex(under);
    }
    if (actions().isEmpty())
        return;
    emit ContextMenuAboutToShow();
    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
    QMenu::exec(actions(), at, nullptr, this);
    event->accept();
}

void MenuTreeView::startDrag(Qt::DropActions /*supportedActions*/)
{
    // The model moves the item when it is dropped; the view's own drag would then remove the
    // dragged rows as well, as if they had gone elsewhere.
    const QModelIndex dragged = currentIndex();
    if (m_model == nullptr || !dragged.isValid())
        return;
    QMimeData* dragData = m_model->mimeData({dragged});
    if (dragData == nullptr)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(dragData);
    const QRect row = visualRect(dragged);
    QPixmap image(row.size().boundedTo(QSize(300, 40)));
    image.fill(Qt::transparent);
    viewport()->render(&image, {}, QRegion(row));
    drag->setPixmap(image);
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

QModelIndex MenuTreeView::OpenItemAboveLine(const QPoint& pos) const
{
    const QModelIndex under = indexAt(pos);
    if (dropIndicatorPosition() != BelowItem || !under.isValid() || !isExpanded(under) ||
        model()->rowCount(under) == 0)
        return {};
    return under;
}

void MenuTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeView::dragMoveEvent(event);
    // The view weighed the line below an open item as a place after its branch; it means the
    // first sub item.
    const QModelIndex open = OpenItemAboveLine(event->position().toPoint());
    if (open.isValid() && m_model != nullptr) {
        if (m_model->canDropMimeData(event->mimeData(), Qt::MoveAction, 0, 0, open))
            event->acceptProposedAction();
        else
            event->ignore();
    }
}

void MenuTreeView::dropEvent(QDropEvent* event)
{
    // The view would put an item dropped on the line below an open item after its whole branch.
    // The model takes nothing but its own current drag.
    const QModelIndex open = OpenItemAboveLine(event->position().toPoint());
    if (!open.isValid() || m_model == nullptr) {
        QTreeView::dropEvent(event);
        return;
    }
    if (m_model->dropMimeData(event->mimeData(), Qt::MoveAction, 0, 0, open))
        event->acceptProposedAction();
    else
        event->ignore();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

void MenuTreeView::keyPressEvent(QKeyEvent* event)
{
    // Shift+F10 shows the context menu at the current item, as the Menu key does.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        const QRect current = visualRect(currentIndex());
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, current.bottomLeft(),
                               viewport()->mapToGlobal(current.bottomLeft()));
        contextMenuEvent(&menu);
        event->accept();
        return;
    }
    // '*' opens the current item's whole branch. The tree's own handling would record every item
    // below it as open, those beyond the shown levels and the leaves too.
    if (event->key() == Qt::Key_Asterisk) {
        if (const MenuItem* current = m_model ? m_model->ItemOf(currentIndex()) : nullptr)
            ExpandBranch(current, MenuTreeModel::kShownLevels);
        event->accept();
        return;
    }
    // Ctrl and an arrow move the selected item (the window's shortcuts). One that reaches the view
    // is a move that cannot be made, which does nothing: the view's own handling would move the
    // current item away from the selected one.
    if (event->modifiers() == Qt::ControlModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down ||
         event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void MenuTreeView::reset()
{
    // Clearing, or loading a design in one go.
    QTreeView::reset();
    if (m_model != nullptr)
        FitColumn(m_model->Tree().DeepestLevel());
}

void MenuTreeView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QTreeView::rowsInserted(parent, start, end);
    if (m_model == nullptr)
        return;
    const MenuItem* owner = m_model->ItemOf(parent);
    int deepest = owner == nullptr ? 0 : owner->Level() + 1;
    for (int row = start; row <= end; ++row) {
        // A subtree put back whole (a delete undone) opens as a loaded design does.
        const MenuItem* inserted = m_model->ItemOf(m_model->index(row, 0, parent));
        if (inserted != nullptr && inserted->ChildCount() > 0) {
            std::vector<const MenuItem*> work{inserted};
            while (!work.empty()) {
                const MenuItem* item = work.back();
                work.pop_back();
                deepest = std::max(deepest, item->Level());
                for (std::size_t k = 0; k < item->ChildCount(); ++k)
                    work.push_back(item->Child(k));
            }
            ExpandBranch(inserted, kAutoExpandDepth);
        }
    }
    if (deepest > m_deepestLevel)
        FitColumn(deepest);
}

void MenuTreeView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    // For every removal the model visits each open item of the view and walks from it up to its
    // root, which costs the square of the depth in a deep branch that is open (a second and more
    // for 10,000 levels). That walk comes after every receiver of this signal, so in a deep
    // design the open items are closed here and opened again once the rows are gone, in time
    // linear in the design.
    // The deepest level is kept up to date by every change the view hears of.
    const MenuTree* design = m_model ? &m_model->Tree() : nullptr;
    if (design != nullptr && m_deepestLevel >= kDeepDesignLevels) {
        const MenuItem* owner = m_model->ItemOf(parent);
        const auto rowItem = [&](int row) {
            const auto position = static_cast<std::size_t>(row);
            return owner ? owner->Child(position) : design->Root(position);
        };
        const std::size_t first = design->IndexOf(rowItem(start));
        const MenuItem* last = rowItem(end);
        const std::size_t after = design->IndexOf(last) + MenuTree::SubtreeSize(last);
        const std::vector<MenuItem*>& order = design->PreOrder();
        m_reopen.clear();
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i == first)
                i = after; // the removed branches
            if (i < order.size() && order[i]->ChildCount() > 0 &&
                isExpanded(m_model->IndexOf(order[i])))
                m_reopen.push_back(order[i]);
        }
        collapseAll();
        m_reopenPending = true;
    }
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
}

void MenuTreeView::RowsRemoved()
{
    if (m_reopenPending) {
        m_reopenPending = false;
        // The removal put the view's layout off; each expand only records its item.
        setRootIndex(rootIndex());
        for (const MenuItem* each : m_reopen)
            expand(m_model->IndexOf(each));
        m_reopen.clear();
        scrollTo(currentIndex());
    }
    FitColumn(m_model->Tree().DeepestLevel());
}

} // namespace qv
