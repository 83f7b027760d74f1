#include "gui/app/MenuTreeModel.h"

#include <limits>

namespace qv {

namespace {

int ToRow(std::size_t n)
{
    constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
    return static_cast<int>(n < kMax ? n : kMax);
}

} // namespace

MenuTreeModel::MenuTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

MenuTreeModel::~MenuTreeModel() = default;

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

MenuItem* MenuTreeModel::AppendRoot(std::string text, TMyRec rec)
{
    return AppendChild(nullptr, std::move(text), std::move(rec));
}

MenuItem* MenuTreeModel::AppendChild(MenuItem* parent, std::string text, TMyRec rec)
{
    const std::size_t row = parent ? parent->ChildCount() : m_tree.RootCount();
    beginInsertRows(IndexOf(parent), ToRow(row), ToRow(row));
    MenuItem* added = m_tree.AppendChild(parent, std::move(text), std::move(rec));
    endInsertRows();
    return added;
}

void MenuTreeModel::Remove(MenuItem* item)
{
    if (item == nullptr)
        return;
    const int row = ToRow(item->Position());
    beginRemoveRows(IndexOf(item->Parent()), row, row);
    m_tree.Remove(item);
    endRemoveRows();
}

void MenuTreeModel::Clear()
{
    beginResetModel();
    m_tree.Clear();
    endResetModel();
}

void MenuTreeModel::SetText(MenuItem* item, std::string text)
{
    if (item == nullptr || item->Text() == text)
        return;
    item->SetText(std::move(text));
    const QModelIndex changed = IndexOf(item);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void MenuTreeModel::SetLink(MenuItem* item, std::string link)
{
    if (item != nullptr)
        item->Rec().Link = std::move(link);
}

void MenuTreeModel::SetHeight(MenuItem* item, std::int32_t height)
{
    if (item != nullptr)
        item->Rec().Height = height;
}

void MenuTreeModel::SetWidth(MenuItem* item, std::int32_t width)
{
    if (item != nullptr)
        item->Rec().Width = width;
}

void MenuTreeModel::ApplyHeightToAll(std::int32_t height)
{
    m_tree.ApplyHeightToAll(height);
}

void MenuTreeModel::ApplyWidthToAll(std::int32_t width)
{
    m_tree.ApplyWidthToAll(width);
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
    SetText(item, value.toString().toStdString());
    return true;
}

Qt::ItemFlags MenuTreeModel::flags(const QModelIndex& index) const
{
    // Captions are edited in the item editor beside the tree, never in place.
    const MenuItem* item = ItemOf(index);
    if (item == nullptr)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // The view keeps the state of every item it expands (expandAll and the '*' key expand leaves
    // too) and revisits those states on each removal, so leaves are marked as such; so is the
    // last shown level. An item's first sub item lifts the mark, and the view hears of it.
    if (item->ChildCount() == 0 || IsDeepestShown(item))
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

} // namespace qv
