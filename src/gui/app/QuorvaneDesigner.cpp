// The "Menu Designer" page: the tree, its commands and the item editor. Every change to the tree
// is a step of the model's edit history, so it can be undone and redone; the window only maps
// buttons, keys and the tree's context menu to the commands.

#include "gui/app/QuorvaneForm.h"

#include "ui_DesignerPage.h"
#include "ui_QuorvaneForm.h"

#include "core/model/TreeCommands.h"
#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>

namespace qv {

namespace {

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// "&Undo Delete Products": the command and the step it takes, a long item text cut short, an
// ampersand in it shown as such.
QString StepActionText(const char* command, const std::string& step)
{
    QString text = QString::fromLatin1(command);
    if (step.empty())
        return text;
    constexpr qsizetype kLongest = 48;
    QString name = QString::fromStdString(step);
    if (name.size() > kLongest)
        name = name.left(kLongest - 1) + QChar(0x2026);
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text + QLatin1Char(' ') + name;
}

} // namespace

void TfrmQuorvane::SetUpDesignerPage()
{
    MenuTreeView* tree = m_designerPage->tvMenu;
    tree->SetMenuModel(m_menuModel);

    connect(m_designerPage->btnAddRootItem, &QPushButton::clicked, this,
            &TfrmQuorvane::btnAddRootItemClick);
    connect(m_designerPage->btnAddSubItem, &QPushButton::clicked, this,
            &TfrmQuorvane::btnAddSubItemClick);
    connect(m_designerPage->btnAddSibling, &QPushButton::clicked, this,
            &TfrmQuorvane::btnAddSiblingClick);
    connect(m_designerPage->btnDeleteItem, &QPushButton::clicked, this,
            &TfrmQuorvane::btnDeleteItemClick);
    connect(m_designerPage->btnApplyToAllH, &QPushButton::clicked, this,
            &TfrmQuorvane::btnApplyToAllHClick);
    connect(m_designerPage->btnApplyToAllW, &QPushButton::clicked, this,
            &TfrmQuorvane::btnApplyToAllWClick);
    connect(m_designerPage->btnImport, &QPushButton::clicked, this, &TfrmQuorvane::btnImportClick);
    connect(tree, &QTreeView::clicked, this, &TfrmQuorvane::tvMenuClick);
    // The selection also moves by keyboard and after a delete; the editor must always show the
    // selected item, since its change handlers write into it.
    connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmQuorvane::OnSelectionChanged);
    // A reset (clearing, loading a project) drops the selection without a word; the editor is
    // closed then, so that it never shows an item that is gone.
    connect(m_menuModel, &QAbstractItemModel::modelReset, this, &TfrmQuorvane::tvMenuClick);
    connect(m_designerPage->txtCaption, &QLineEdit::textChanged, this,
            &TfrmQuorvane::txtCaptionChange);
    connect(m_designerPage->txtLink, &QLineEdit::textChanged, this, &TfrmQuorvane::txtLinkChange);
    connect(m_designerPage->spinHeight, &SpinEdit::OnChange, this, &TfrmQuorvane::spinHeightChange);
    connect(m_designerPage->spinWidth, &SpinEdit::OnChange, this, &TfrmQuorvane::spinWidthChange);
    connect(m_menuModel, &MenuTreeModel::ItemDropped, this, &TfrmQuorvane::ShowStep);

    // The commands on the tree: in its context menu, with their keys. Undo and redo act on the
    // whole window, except in a text box, whose own undo applies there; the others only while
    // the tree has the focus.
    const auto makeAction = [&](QAction*& action, const char* name, const char* text,
                                QList<QKeySequence> keys, auto handler) {
        action = new QAction(QString::fromLatin1(text), this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, handler);
        tree->addAction(action);
    };
    const auto separator = [&] {
        auto* line = new QAction(tree);
        line->setSeparator(true);
        tree->addAction(line);
    };
    makeAction(m_actUndo, "actUndo", "&Undo", {QKeySequence(Qt::CTRL | Qt::Key_Z)},
               &TfrmQuorvane::EditUndo);
    makeAction(m_actRedo, "actRedo", "&Redo",
               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
               &TfrmQuorvane::EditRedo);
    for (QAction* action : {m_actUndo, m_actRedo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    separator();
    makeAction(m_actMoveUp, "actMoveUp", "Move &Up", {QKeySequence(Qt::CTRL | Qt::Key_Up)},
               [this] { MoveSelected(MoveDirection::Up); });
    makeAction(m_actMoveDown, "actMoveDown", "Move &Down", {QKeySequence(Qt::CTRL | Qt::Key_Down)},
               [this] { MoveSelected(MoveDirection::Down); });
    makeAction(m_actMoveOut, "actMoveOut", "Move &Out", {QKeySequence(Qt::CTRL | Qt::Key_Left)},
               [this] { MoveSelected(MoveDirection::Out); });
    makeAction(m_actMoveIn, "actMoveIn", "Move &In", {QKeySequence(Qt::CTRL | Qt::Key_Right)},
               [this] { MoveSelected(MoveDirection::In); });
    separator();
    makeAction(m_actEditText, "actEditText", "Edit &Text", {QKeySequence(Qt::Key_F2)},
               &TfrmQuorvane::EditSelectedText);
    makeAction(m_actDeleteItem, "actDeleteItem", "De&lete Item", {QKeySequence(Qt::Key_Delete)},
               &TfrmQuorvane::btnDeleteItemClick);
    connect(tree, &MenuTreeView::ContextMenuAboutToShow, this, &TfrmQuorvane::UpdateEditActions);
    UpdateEditActions();
}

MenuItem* TfrmQuorvane::SelectedItem() const
{
    return m_designerPage->tvMenu->SelectedItem();
}

void TfrmQuorvane::OnSelectionChanged()
{
    // Edits of another item are steps of their own.
    m_menuModel->SealHistory();
    if (!m_deleting)
        tvMenuClick();
}

void TfrmQuorvane::AddItem(AddKind kind)
{
    MenuItem* selected = SelectedItem();
    if ((kind != AddKind::Root && selected == nullptr) ||
        (kind == AddKind::Sub && MenuTreeModel::IsDeepestShown(selected))) {
        tvMenuClick();
        return;
    }
    // An add that is undone does not give its number back.
    std::string text = NextUntitledText(m_itemCounter);
    MenuItem* added = nullptr;
    switch (kind) {
    case AddKind::Root:
        added = Step(MakeAppend(nullptr, std::move(text), "Add Root Item"));
        break;
    case AddKind::Sub:
        added = Step(MakeAppend(selected, std::move(text), "Add Sub Item"));
        break;
    case AddKind::Sibling:
        // At the end of the selected item's list, not next to it.
        added = Step(MakeAppend(selected->Parent(), std::move(text), "Add Sibling"));
        break;
    }
    m_designerPage->tvMenu->SelectItem(added);
    tvMenuClick();
    // Typing replaces the new item's default text.
    m_designerPage->txtCaption->setFocus();
    m_designerPage->txtCaption->selectAll();
}

void TfrmQuorvane::btnAddRootItemClick()
{
    AddItem(AddKind::Root);
}

void TfrmQuorvane::btnAddSubItemClick()
{
    AddItem(AddKind::Sub);
}

void TfrmQuorvane::btnAddSiblingClick()
{
    AddItem(AddKind::Sibling);
}

void TfrmQuorvane::btnDeleteItemClick()
{
    if (MenuItem* selected = SelectedItem()) {
        // The tree view selects a neighbour while the item is being removed; the editor is
        // filled once the removal is complete.
        m_deleting = true;
        Step(MakeDelete(selected));
        m_deleting = false;
    }
    tvMenuClick();
}

void TfrmQuorvane::btnApplyToAllHClick()
{
    Step(MakeApplyToAll(m_menuModel->Tree(), SelectedItem(), ItemField::Height));
}

void TfrmQuorvane::btnApplyToAllWClick()
{
    Step(MakeApplyToAll(m_menuModel->Tree(), SelectedItem(), ItemField::Width));
}

void TfrmQuorvane::tvMenuClick()
{
    Ui::DesignerPage& ui = *m_designerPage;
    const MenuItem* item = SelectedItem();
    const bool any = item != nullptr;
    // Sub items of the deepest level that the tree can show could not be shown.
    ui.btnAddSubItem->setEnabled(any && !MenuTreeModel::IsDeepestShown(item));
    ui.btnDeleteItem->setEnabled(any);
    ui.btnAddSibling->setEnabled(any);
    UpdateEditActions();

    if (!any) {
        // The boxes keep what they showed; disabled, no edit can reach an item.
        for (QWidget* w :
             {static_cast<QWidget*>(ui.txtCaption), static_cast<QWidget*>(ui.txtLink),
              static_cast<QWidget*>(ui.spinHeight), static_cast<QWidget*>(ui.spinWidth),
              static_cast<QWidget*>(ui.lblCaption), static_cast<QWidget*>(ui.lblLink),
              static_cast<QWidget*>(ui.lblHeight), static_cast<QWidget*>(ui.lblWidth),
              static_cast<QWidget*>(ui.btnApplyToAllH), static_cast<QWidget*>(ui.btnApplyToAllW)})
            w->setEnabled(false);
        return;
    }

    // Filling the boxes runs their change handlers, which write back the item's own values.
    ui.txtCaption->setText(FromStd(item->Text()));
    ui.txtLink->setText(FromStd(item->Rec().Link));
    ui.txtCaption->setEnabled(true);
    ui.txtLink->setEnabled(true);
    ui.lblCaption->setEnabled(true);
    ui.lblLink->setEnabled(true);

    const EditorState state = EditorStateFor(item);
    const bool heightEditable = state != EditorState::LaterRoot;
    const bool widthEditable = state != EditorState::LaterSubItem;
    const auto show = [](SpinEdit* box, QLabel* label, QPushButton* apply, bool editable,
                         std::int32_t value) {
        // A box that is not editable is disabled before it shows 0, so its handler stores
        // nothing.
        if (!editable)
            box->setEnabled(false);
        box->SetValue(editable ? value : 0);
        box->setEnabled(editable);
        label->setEnabled(editable);
        apply->setEnabled(editable);
    };
    show(ui.spinHeight, ui.lblHeight, ui.btnApplyToAllH, heightEditable, item->Rec().Height);
    show(ui.spinWidth, ui.lblWidth, ui.btnApplyToAllW, widthEditable, item->Rec().Width);
}

void TfrmQuorvane::txtCaptionChange(const QString& text)
{
    Step(MakeSetText(SelectedItem(), text.toStdString()));
}

void TfrmQuorvane::txtLinkChange(const QString& text)
{
    Step(MakeSetLink(SelectedItem(), text.toStdString()));
}

void TfrmQuorvane::spinHeightChange()
{
    // An empty box stores nothing: the item keeps its last height.
    const SpinEdit* box = m_designerPage->spinHeight;
    if (!box->isEnabled() || box->Text().isEmpty())
        return;
    Step(MakeSetHeight(SelectedItem(), box->Value()));
}

void TfrmQuorvane::spinWidthChange()
{
    const SpinEdit* box = m_designerPage->spinWidth;
    if (!box->isEnabled() || box->Text().isEmpty())
        return;
    Step(MakeSetWidth(SelectedItem(), box->Value()));
}

void TfrmQuorvane::ClearMenuItems()
{
    m_menuModel->Clear();
}

// ---- Steps, undo and redo, moves -----------------------------------------------------------

MenuItem* TfrmQuorvane::Step(std::unique_ptr<TreeCommand> command)
{
    MenuItem* select = command ? m_menuModel->Do(std::move(command)) : nullptr;
    UpdateEditActions();
    return select;
}

void TfrmQuorvane::ShowStep(MenuItem* select)
{
    // The item the step was about, selected and in view; the editor refreshed even when the
    // selection stays, since the item may have become (or stopped being) first of its list.
    m_designerPage->tvMenu->SelectItem(select);
    tvMenuClick();
}

bool TfrmQuorvane::UndoKeysReachTree() const
{
    // Not in a text box, where the box's own undo applies, nor on another page, where a change
    // to the tree would go unseen.
    const QWidget* focused = focusWidget();
    return qobject_cast<const QLineEdit*>(focused) == nullptr &&
           qobject_cast<const QAbstractSpinBox*>(focused) == nullptr &&
           m_ui->PageControl1->currentWidget() == m_ui->tsDesigner;
}

void TfrmQuorvane::EditUndo()
{
    if (UndoKeysReachTree() && m_menuModel->History().CanUndo())
        ShowStep(m_menuModel->Undo());
}

void TfrmQuorvane::EditRedo()
{
    if (UndoKeysReachTree() && m_menuModel->History().CanRedo())
        ShowStep(m_menuModel->Redo());
}

bool TfrmQuorvane::CanMoveSelected(MoveDirection direction) const
{
    MenuItem* item = SelectedItem();
    if (MakeMove(m_menuModel->Tree(), item, direction) == nullptr)
        return false;
    // Not in under an item of the last level the tree shows, where it could not be seen.
    if (direction == MoveDirection::In) {
        const MenuItem* parent = item->Parent();
        const std::size_t above = item->Position() - 1;
        return !MenuTreeModel::IsDeepestShown(parent ? parent->Child(above)
                                                     : m_menuModel->Tree().Root(above));
    }
    return true;
}

void TfrmQuorvane::MoveSelected(MoveDirection direction)
{
    if (!CanMoveSelected(direction))
        return;
    ShowStep(Step(MakeMove(m_menuModel->Tree(), SelectedItem(), direction)));
}

void TfrmQuorvane::EditSelectedText()
{
    if (SelectedItem() == nullptr)
        return;
    m_designerPage->txtCaption->setFocus(Qt::ShortcutFocusReason);
    m_designerPage->txtCaption->selectAll();
}

void TfrmQuorvane::UpdateEditActions()
{
    if (m_actUndo == nullptr)
        return; // the page is being set up
    const EditHistory& history = m_menuModel->History();
    m_actUndo->setText(StepActionText("&Undo", history.UndoDescription()));
    m_actUndo->setEnabled(history.CanUndo());
    m_actRedo->setText(StepActionText("&Redo", history.RedoDescription()));
    m_actRedo->setEnabled(history.CanRedo());
    m_actMoveUp->setEnabled(CanMoveSelected(MoveDirection::Up));
    m_actMoveDown->setEnabled(CanMoveSelected(MoveDirection::Down));
    m_actMoveOut->setEnabled(CanMoveSelected(MoveDirection::Out));
    m_actMoveIn->setEnabled(CanMoveSelected(MoveDirection::In));
    const bool any = SelectedItem() != nullptr;
    m_actEditText->setEnabled(any);
    m_actDeleteItem->setEnabled(any);
}

} // namespace qv
