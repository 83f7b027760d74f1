#include "gui/app/MenuDesignerPage.h"

#include "ui_DesignerPage.h"

#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>

#include <limits>

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

MenuDesignerPage::MenuDesignerPage(QWidget* page, MenuTreeModel* model)
    : m_page(page), m_ui(std::make_unique<Ui::DesignerPage>()), m_model(model)
{
    m_ui->setupUi(page);
    MenuTreeView* tree = m_ui->tvMenu;
    tree->SetMenuModel(model);

    // The spin boxes have no bounds and show the values of a new item. Texts and links are of any
    // length: a box at the toolkit's default maximum would cut what it is filled with, and its
    // change handler would write the cut text back.
    m_ui->spinHeight->SetValue(TMyRec{}.Height);
    m_ui->spinWidth->SetValue(TMyRec{}.Width);
    for (QLineEdit* box : {m_ui->txtCaption, m_ui->txtLink}) {
        box->setMaxLength(std::numeric_limits<int>::max());
        box->installEventFilter(this);
    }

    connect(m_ui->btnAddRootItem, &QPushButton::clicked, this,
            &MenuDesignerPage::btnAddRootItemClick);
    connect(m_ui->btnAddSubItem, &QPushButton::clicked, this,
            &MenuDesignerPage::btnAddSubItemClick);
    connect(m_ui->btnAddSibling, &QPushButton::clicked, this,
            &MenuDesignerPage::btnAddSiblingClick);
    connect(m_ui->btnDeleteItem, &QPushButton::clicked, this,
            &MenuDesignerPage::btnDeleteItemClick);
    connect(m_ui->btnApplyToAllH, &QPushButton::clicked, this,
            &MenuDesignerPage::btnApplyToAllHClick);
    connect(m_ui->btnApplyToAllW, &QPushButton::clicked, this,
            &MenuDesignerPage::btnApplyToAllWClick);
    connect(m_ui->btnImport, &QPushButton::clicked, this, &MenuDesignerPage::btnImportClick);
    connect(m_ui->txtCaption, &QLineEdit::textChanged, this, &MenuDesignerPage::txtCaptionChange);
    connect(m_ui->txtLink, &QLineEdit::textChanged, this, &MenuDesignerPage::txtLinkChange);
    connect(m_ui->spinHeight, &SpinEdit::OnChange, this, &MenuDesignerPage::spinHeightChange);
    connect(m_ui->spinWidth, &SpinEdit::OnChange, this, &MenuDesignerPage::spinWidthChange);

    // The two sources of the editor refresh: the selection moved (by click, keyboard, or the
    // view's own choice during a removal), and the history changed.
    connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MenuDesignerPage::OnSelectionChanged);
    connect(model, &MenuTreeModel::HistoryChanged, this, &MenuDesignerPage::ShowStep);

    AddActions();
    RefreshEditor();
}

MenuDesignerPage::~MenuDesignerPage() = default;

void MenuDesignerPage::AddActions()
{
    // The commands on the tree: in its context menu, with their keys. Undo and redo act on the
    // whole window, except in a text box, whose own undo applies there; the others only while
    // the tree has the focus.
    MenuTreeView* tree = m_ui->tvMenu;
    const auto makeAction = [&](QAction*& action, const char* name, const char* text,
                                QList<QKeySequence> keys, auto handler) {
        action = new QAction(QString::fromLatin1(text), m_page);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, handler);
        tree->addAction(action);
    };
    const auto separator = [&] {
        auto* line = new QAction(m_page);
        line->setSeparator(true);
        tree->addAction(line);
    };
    makeAction(m_actUndo, "actUndo", "&Undo", {QKeySequence(Qt::CTRL | Qt::Key_Z)},
               &MenuDesignerPage::EditUndo);
    makeAction(m_actRedo, "actRedo", "&Redo",
               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
               &MenuDesignerPage::EditRedo);
    for (QAction* action : {m_actUndo, m_actRedo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        m_page->window()->addAction(action);
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
               &MenuDesignerPage::EditSelectedText);
    makeAction(m_actDeleteItem, "actDeleteItem", "De&lete Item", {QKeySequence(Qt::Key_Delete)},
               &MenuDesignerPage::btnDeleteItemClick);
}

MenuTreeView& MenuDesignerPage::TreeView() const
{
    return *m_ui->tvMenu;
}

MenuItem* MenuDesignerPage::SelectedItem() const
{
    return m_ui->tvMenu->SelectedItem();
}

// ---- The editor refresh ----------------------------------------------------------------------

void MenuDesignerPage::ShowStep(MenuItem* select)
{
    // The item of the step, selected and in view (none when the design was cleared or opened);
    // the editor refreshed even when the selection stays, since the item's values may have
    // changed, or it may have become (or stopped being) first of its list.
    m_ui->tvMenu->SelectItem(select);
    RefreshEditor();
}

void MenuDesignerPage::OnSelectionChanged()
{
    // Edits of another item are steps of their own.
    m_model->SealHistory();
    // In the middle of a step (a removal) the view picks a neighbour of its own; the step then
    // selects the item it names.
    if (!m_model->InStep())
        RefreshEditor();
}

void MenuDesignerPage::RefreshEditor()
{
    Ui::DesignerPage& ui = *m_ui;
    const MenuItem* item = SelectedItem();
    const bool any = item != nullptr;
    // Sub items of the deepest level that the tree can show could not be shown.
    ui.btnAddSubItem->setEnabled(any && !MenuTreeModel::IsDeepestShown(item));
    ui.btnDeleteItem->setEnabled(any);
    ui.btnAddSibling->setEnabled(any);
    UpdateEditActions();

    if (!any) {
        m_shownItem = nullptr;
        // The boxes keep what they showed; disabled, no edit can reach an item.
        for (QWidget* w : std::initializer_list<QWidget*>{
                 ui.txtCaption, ui.txtLink, ui.spinHeight, ui.spinWidth, ui.lblCaption, ui.lblLink,
                 ui.lblHeight, ui.lblWidth, ui.btnApplyToAllH, ui.btnApplyToAllW})
            w->setEnabled(false);
        return;
    }

    // Filling the boxes runs their change handlers, which find the item's own values and make no
    // step. For the item shown already, a box that shows its value is left as it is: the refresh
    // after each keystroke keeps the cursor where the user types, and "-" or "007" as typed.
    const bool sameItem = item == m_shownItem;
    m_shownItem = item;
    const auto fill = [sameItem](QLineEdit* box, const std::string& value) {
        const QString text = FromStd(value);
        if (!sameItem || box->text() != text)
            box->setText(text);
        box->setEnabled(true);
    };
    fill(ui.txtCaption, item->Text());
    fill(ui.txtLink, item->Rec().Link);
    ui.lblCaption->setEnabled(true);
    ui.lblLink->setEnabled(true);

    const EditorState state = EditorStateFor(item);
    const auto show = [sameItem](SpinEdit* box, QLabel* label, QPushButton* apply, bool editable,
                                 std::int32_t value) {
        // A box that is not editable is disabled before it shows 0, so its handler stores
        // nothing.
        if (!editable) {
            box->setEnabled(false);
            value = 0;
        }
        if (!sameItem || box->Value() != value)
            box->SetValue(value);
        box->setEnabled(editable);
        label->setEnabled(editable);
        apply->setEnabled(editable);
    };
    show(ui.spinHeight, ui.lblHeight, ui.btnApplyToAllH, state != EditorState::LaterRoot,
         item->Rec().Height);
    show(ui.spinWidth, ui.lblWidth, ui.btnApplyToAllW, state != EditorState::LaterSubItem,
         item->Rec().Width);
}

void MenuDesignerPage::UpdateEditActions()
{
    const EditHistory& history = m_model->History();
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

// ---- Commands --------------------------------------------------------------------------------

void MenuDesignerPage::AddItem(AddKind kind)
{
    MenuItem* selected = SelectedItem();
    if ((kind != AddKind::Root && selected == nullptr) ||
        (kind == AddKind::Sub && MenuTreeModel::IsDeepestShown(selected)))
        return;
    // An add that is undone does not give its number back.
    std::string text = NextUntitledText(m_itemCounter);
    switch (kind) {
    case AddKind::Root:
        m_model->Do(MakeAppend(nullptr, std::move(text), "Add Root Item"));
        break;
    case AddKind::Sub:
        m_model->Do(MakeAppend(selected, std::move(text), "Add Sub Item"));
        break;
    case AddKind::Sibling:
        // At the end of the selected item's list, not next to it.
        m_model->Do(MakeAppend(selected->Parent(), std::move(text), "Add Sibling"));
        break;
    }
    // The new item is selected now; typing replaces its default text.
    m_ui->txtCaption->setFocus();
    m_ui->txtCaption->selectAll();
}

void MenuDesignerPage::btnAddRootItemClick()
{
    AddItem(AddKind::Root);
}

void MenuDesignerPage::btnAddSubItemClick()
{
    AddItem(AddKind::Sub);
}

void MenuDesignerPage::btnAddSiblingClick()
{
    AddItem(AddKind::Sibling);
}

void MenuDesignerPage::btnDeleteItemClick()
{
    m_model->Do(MakeDelete(SelectedItem()));
}

void MenuDesignerPage::btnApplyToAllHClick()
{
    m_model->Do(MakeApplyToAll(m_model->Tree(), SelectedItem(), ItemField::Height));
}

void MenuDesignerPage::btnApplyToAllWClick()
{
    m_model->Do(MakeApplyToAll(m_model->Tree(), SelectedItem(), ItemField::Width));
}

void MenuDesignerPage::txtCaptionChange(const QString& text)
{
    m_model->Do(MakeSetText(SelectedItem(), text.toStdString()));
}

void MenuDesignerPage::txtLinkChange(const QString& text)
{
    m_model->Do(MakeSetLink(SelectedItem(), text.toStdString()));
}

void MenuDesignerPage::spinHeightChange()
{
    // An empty box stores nothing: the item keeps its last height.
    const SpinEdit* box = m_ui->spinHeight;
    if (box->isEnabled() && !box->Text().isEmpty())
        m_model->Do(MakeSetHeight(SelectedItem(), box->Value()));
}

void MenuDesignerPage::spinWidthChange()
{
    const SpinEdit* box = m_ui->spinWidth;
    if (box->isEnabled() && !box->Text().isEmpty())
        m_model->Do(MakeSetWidth(SelectedItem(), box->Value()));
}

// ---- Undo and redo, moves --------------------------------------------------------------------

bool MenuDesignerPage::UndoKeysReachTree() const
{
    // Not in a text box, where the box's own undo applies, nor on another page, where a change
    // to the tree would go unseen.
    const QWidget* focused = m_page->window()->focusWidget();
    return qobject_cast<const QLineEdit*>(focused) == nullptr &&
           qobject_cast<const QAbstractSpinBox*>(focused) == nullptr &&
           m_page->isVisibleTo(m_page->window());
}

bool MenuDesignerPage::eventFilter(QObject* watched, QEvent* event)
{
    // A text box takes Ctrl+Z and the redo keys for itself even when it has nothing to undo or
    // redo (right after an add, the new item's text box has nothing); the key then takes the
    // tree's step. The box first claims the key, so that no shortcut of the window sees it too.
    const bool shortcut = event->type() == QEvent::ShortcutOverride;
    if (!shortcut && event->type() != QEvent::KeyPress)
        return false;
    const auto* box = qobject_cast<const QLineEdit*>(watched);
    const auto* key = static_cast<const QKeyEvent*>(event);
    const QKeyCombination pressed = key->keyCombination();
    const bool undo = pressed == QKeyCombination(Qt::CTRL | Qt::Key_Z);
    const bool redo = pressed == QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) ||
                      pressed == QKeyCombination(Qt::CTRL | Qt::Key_Y);
    if (box == nullptr || (!undo && !redo) || (undo && box->isUndoAvailable()) ||
        (redo && box->isRedoAvailable()))
        return false;
    event->accept();
    if (!shortcut) {
        if (undo)
            m_model->Undo();
        else
            m_model->Redo();
    }
    return true;
}

void MenuDesignerPage::EditUndo()
{
    if (UndoKeysReachTree())
        m_model->Undo();
}

void MenuDesignerPage::EditRedo()
{
    if (UndoKeysReachTree())
        m_model->Redo();
}

bool MenuDesignerPage::CanMoveSelected(MoveDirection direction) const
{
    MenuItem* item = SelectedItem();
    if (MakeMove(m_model->Tree(), item, direction) == nullptr)
        return false;
    // Not in under an item of the last level the tree shows, where it could not be seen.
    if (direction == MoveDirection::In) {
        const MenuItem* parent = item->Parent();
        const std::size_t above = item->Position() - 1;
        return !MenuTreeModel::IsDeepestShown(parent ? parent->Child(above)
                                                     : m_model->Tree().Root(above));
    }
    return true;
}

void MenuDesignerPage::MoveSelected(MoveDirection direction)
{
    if (CanMoveSelected(direction))
        m_model->Do(MakeMove(m_model->Tree(), SelectedItem(), direction));
}

void MenuDesignerPage::EditSelectedText()
{
    if (SelectedItem() == nullptr)
        return;
    m_ui->txtCaption->setFocus(Qt::ShortcutFocusReason);
    m_ui->txtCaption->selectAll();
}

} // namespace qv
