#include "gui/app/MenuTreeModel.h"

#include <QMimeData>
#include <QScopedValueRollback>

#include <limits>

namespace qv {

namespace {

int ToRow(std::size_t n)
{
    constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
    return static_cast<int>(n < kMax ? n : kMax);
}

} // namespace

const QString MenuTreeModel::kDragFormat = QStringLiteral("application/x-quorvane-menu-item");

MenuTreeModel::MenuTreeModel(QObject* parent) : QAbstractItemModel(parent)
{
    m_tree.SetObserver(this);
}

MenuTreeModel::~MenuTreeModel()
{
    m_tree.SetObserver(nullptr);
}

MenuItem* MenuTreeModel::ItemOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<MenuItem*>(index.internalPointer());
}

QModelIndex MenuTreeModel::IndexOf(const MenuItem* item) const
{
    if (item == nullptr)
        return {};
    return createIndex(ToRow(item->Position()), 0, const_cast<MenuItem*>(item));
}

void MenuTreeModel::Clear()
{
    m_history.Clear();
    m_tree.Clear();
    emit HistoryChanged(nullptr);
}

void MenuTreeModel::Replace(MenuTree& loaded)
{
    // Steps of the history name items of the old design.
    m_history.Clear();
    m_tree.SwapItems(loaded);
    emit HistoryChanged(nullptr);
}

MenuItem* MenuTreeModel::Stepped(MenuItem* select)
{
    emit HistoryChanged(select);
    return select;
}

MenuItem* MenuTreeModel::Do(std::unique_ptr<TreeCommand> command)
{
    if (!command)
        return nullptr;
    MenuItem* select = nullptr;
    {
        const QScopedValueRollback<bool> stepping(m_inStep, true);
        select = m_history.Do(m_tree, std::move(command));
    }
    return Stepped(select);
}

MenuItem* MenuTreeModel::Undo()
{
    if (!m_history.CanUndo())
        return nullptr;
    MenuItem* select = nullptr;
    {
        const QScopedValueRollback<bool> stepping(m_inStep, true);
        select = m_history.Undo(m_tree);
    }
    return Stepped(select);
}

MenuItem* MenuTreeModel::Redo()
{
    if (!m_history.CanRedo())
        return nullptr;
    MenuItem* select = nullptr;
    {
        const QScopedValueRollback<bool> stepping(m_inStep, true);
        select = m_history.Redo(m_tree);
    }
    return Stepped(select);
}

// ---- What the view hears of every change ----------------------------------------------------

void MenuTreeModel::AboutToInsert(const MenuItem* parent, std::size_t position)
{
    beginInsertRows(IndexOf(parent), ToRow(position), ToRow(position));
}

void MenuTreeModel::Inserted()
{
    endInsertRows();
}

void MenuTreeModel::AboutToRemove(const MenuItem* item)
{
    m_dragged = nullptr;
    const int row = ToRow(item->Position());
    beginRemoveRows(IndexOf(item->Parent()), row, row);
}

void MenuTreeModel::Removed()
{
    endRemoveRows();
}

void MenuTreeModel::AboutToMove(const MenuItem* item, const MenuItem* parent, std::size_t position)
{
    // The view counts the destination row before the item leaves its place.
    std::size_t row = position;
    if (parent == item->Parent() && position > item->Position())
        ++row;
    const int from = ToRow(item->Position());
    const bool valid =
        beginMoveRows(IndexOf(item->Parent()), from, from, IndexOf(parent), ToRow(row));
    Q_ASSERT(valid); // the tree refuses what the view would
    Q_UNUSED(valid);
}

void MenuTreeModel::Moved()
{
    endMoveRows();
}

void MenuTreeModel::TextChanged(const MenuItem* item)
{
    const QModelIndex changed = IndexOf(item);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void MenuTreeModel::AboutToReset()
{
    m_dragged = nullptr;
    beginResetModel();
}

void MenuTreeModel::Reset()
{
    endResetModel();
}

QModelIndex MenuTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column != 0)
        return {};
    if (parent.isValid()) {
        const MenuItem* owner = ItemOf(parent);
        if (owner == nullptr || parent.column() != 0 ||
            static_cast<std::size_t>(row) >= owner->ChildCount())
            return {};
        return createIndex(row, 0, owner->Child(static_cast<std::size_t>(row)));
    }
    if (static_cast<std::size_t>(row) >= m_tree.RootCount())
        return {};
    return createIndex(row, 0, m_tree.Root(static_cast<std::size_t>(row)));
}

QModelIndex MenuTreeModel::parent(const QModelIndex& child) const
{
    const MenuItem* item = ItemOf(child);
    return item ? IndexOf(item->Parent()) : QModelIndex();
}

int MenuTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return ToRow(m_tree.RootCount());
    if (parent.column() != 0)
        return 0;
    const MenuItem* item = ItemOf(parent);
    return item ? ToRow(item->ChildCount()) : 0;
}

int MenuTreeModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() && parent.column() != 0 ? 0 : 1;
}

bool MenuTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant MenuTreeModel::data(const QModelIndex& index, int role) const
{
    const MenuItem* item = ItemOf(index);
    if (item == nullptr || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return QString::fromStdString(item->Text());
}

bool MenuTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    MenuItem* item = ItemOf(index);
    if (item == nullptr || (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    // A rename is a step of the history like any other edit of the text.
    Do(MakeSetText(item, value.toString().toStdString()));
    return true;
}

Qt::ItemFlags MenuTreeModel::flags(const QModelIndex& index) const
{
    // Captions are edited in the item editor beside the tree, never in place.
    const MenuItem* item = ItemOf(index);
    // Drops onto the list of roots (between roots, or below the last) need the flag on the
    // invisible root.
    if (item == nullptr)
        return index.isValid() ? Qt::NoItemFlags : Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (!IsDeepestShown(item))
        flags |= Qt::ItemIsDropEnabled;
    // The view keeps the state of every item it expands (expandAll and the '*' key expand leaves
    // too) and revisits those states on each removal, so leaves are marked as such; so is the
    // last shown level. An item's first sub item lifts the mark, and the view hears of it.
    if (item->ChildCount() == 0 || IsDeepestShown(item))
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

// ---- Drag and drop ---------------------------------------------------------------------------

QStringList MenuTreeModel::mimeTypes() const
{
    return {kDragFormat};
}

QMimeData* MenuTreeModel::mimeData(const QModelIndexList& indexes) const
{
    MenuItem* item = indexes.isEmpty() ? nullptr : ItemOf(indexes.constFirst());
    if (item == nullptr)
        return nullptr;
    // The drag names the item by a token that only this model's current drag has, never by its
    // address: a drop from elsewhere, or of a drag that is over, names nothing.
    m_dragged = item;
    ++m_dragToken;
    auto* data = new QMimeData;
    data->setData(kDragFormat, QByteArray::number(m_dragToken));
    return data;
}

MenuItem* MenuTreeModel::DropTarget(const QMimeData* data, Qt::DropAction action, int row,
                                    int column, const QModelIndex& parent, MenuItem*& toParent,
                                    std::size_t& position) const
{
    if (data == nullptr || action != Qt::MoveAction || m_dragged == nullptr || column > 0 ||
        !data->hasFormat(kDragFormat) || data->data(kDragFormat) != QByteArray::number(m_dragToken))
        return nullptr;
    if (parent.isValid() && (parent.model() != this || parent.column() != 0))
        return nullptr;
    toParent = ItemOf(parent);
    if (IsDeepestShown(toParent))
        return nullptr;
    const std::size_t size = toParent ? toParent->ChildCount() : m_tree.RootCount();
    // Row -1: onto the parent, as its last sub item. A row counts the places before the item
    // leaves its own.
    position = row < 0 ? size : std::min(static_cast<std::size_t>(row), size);
    if (toParent == m_dragged->Parent() && (row < 0 || position > m_dragged->Position()))
        --position;
    if (!m_tree.CanMove(m_dragged, toParent, position))
        return nullptr;
    return m_dragged;
}

bool MenuTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row,
                                    int column, const QModelIndex& parent) const
{
    MenuItem* toParent = nullptr;
    std::size_t position = 0;
    return DropTarget(data, action, row, column, parent, toParent, position) != nullptr;
}

bool MenuTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                 const QModelIndex& parent)
{
    MenuItem* toParent = nullptr;
    std::size_t position = 0;
    MenuItem* item = DropTarget(data, action, row, column, parent, toParent, position);
    if (item == nullptr)
        return false;
    m_dragged = nullptr;
    // A drop where the item already is changes nothing and is no step.
    Do(MakeMoveTo(m_tree, item, toParent, position));
    return true;
}

} // namespace qv
