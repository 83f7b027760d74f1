#pragma once

#include "core/model/TreeCommands.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

namespace Ui {
class DesignerPage;
} // namespace Ui

class QAction;
class QWidget;

namespace qv {

class MenuItem;
class MenuTreeModel;
class MenuTreeView;

// The "Menu Designer" page: the tree of menu items with its commands (the buttons, the tree's
// context menu and keys, drag and drop) and the item editor beside it. Every change it makes is a
// command of the model's edit history. The editor is refreshed from one place, RefreshEditor,
// whenever the history changes (the item of the step is then selected) and whenever the tree's
// selection moves; so it always shows the selected item, into which its boxes write.
class MenuDesignerPage final : public QObject
{
    Q_OBJECT

public:
    // Sets up the page's form on `page`, showing the tree of `model`. Undo and Redo keys are
    // taken on the page's whole window.
    MenuDesignerPage(QWidget* page, MenuTreeModel* model);
    ~MenuDesignerPage() override;

    MenuTreeView& TreeView() const;
    // The item selected in the tree, or null.
    MenuItem* SelectedItem() const;
    // The running number of new items: Untitled1, Untitled2, ... It only ever grows.
    std::int32_t ItemCounter() const { return m_itemCounter; }

public slots:
    // The add commands append a new item at the end of a list, select it and put the focus into
    // the Text box; Delete removes the selected item with everything below it; Apply to All
    // copies the selected item's height or width into every item.
    void btnAddRootItemClick();
    void btnAddSubItemClick();
    void btnAddSiblingClick();
    void btnDeleteItemClick();
    void btnApplyToAllHClick();
    void btnApplyToAllWClick();
    // The editor refresh: enables the commands that need a selection and fills the item editor
    // from the selected item (or disables it when nothing is selected).
    void RefreshEditor();
    // The item editor's boxes write into the selected item as they change.
    void txtCaptionChange(const QString& text);
    void txtLinkChange(const QString& text);
    void spinHeightChange();
    void spinWidthChange();
    // "I&mport...": the Import Navigation dialog; the chosen navigation's items are added as root
    // items, or as sub items of the selected item, as one step of the history.
    void btnImportClick();

    // Rearranging and undo, on the tree's context menu and keys: Undo (Ctrl+Z) and Redo
    // (Ctrl+Shift+Z, Ctrl+Y) on this page outside text boxes, and in the Text and Link boxes
    // when the box has nothing of its own to undo or redo; the moves of the selected item with
    // everything below it (Ctrl+Up, Ctrl+Down, Ctrl+Left out of its parent, Ctrl+Right into the
    // sibling above); F2 puts the focus into the Text box; Delete deletes as "Delete Item" does.
    void EditUndo();
    void EditRedo();
    void MoveSelected(qv::MoveDirection direction);
    void EditSelectedText();

protected:
    // The Text and Link boxes' undo keys.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class AddKind { Root, Sub, Sibling };

    void AddItem(AddKind kind);
    void AddActions();
    // Selects the item the history names after a step, and refreshes the editor.
    void ShowStep(MenuItem* select);
    void OnSelectionChanged();
    bool CanMoveSelected(MoveDirection direction) const;
    // Undo and Redo act on the tree only from this page, outside its text boxes.
    bool UndoKeysReachTree() const;
    // Names the steps that Undo and Redo would take and enables what can be done now.
    void UpdateEditActions();

    QWidget* m_page;
    std::unique_ptr<Ui::DesignerPage> m_ui;
    MenuTreeModel* m_model;
    std::int32_t m_itemCounter = 0;
    // The item the editor showed last; only compared, never followed (it may be gone).
    const MenuItem* m_shownItem = nullptr;

    // The tree's commands (its context menu), children of the page.
    QAction* m_actUndo = nullptr;
    QAction* m_actRedo = nullptr;
    QAction* m_actMoveUp = nullptr;
    QAction* m_actMoveDown = nullptr;
    QAction* m_actMoveOut = nullptr;
    QAction* m_actMoveIn = nullptr;
    QAction* m_actEditText = nullptr;
    QAction* m_actDeleteItem = nullptr;
};

} // namespace qv
