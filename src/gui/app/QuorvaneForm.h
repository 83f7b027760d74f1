#pragma once

#include "core/codegen/Template.h"
#include "core/model/MenuStyle.h"
#include "core/model/TreeCommands.h"
#include "core/project/MenuFile.h"
#include "gui/widgets/ColorPickerButton.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class TfrmQuorvane;
class DesignerPage;
class ColorsPage;
class OptionsPage;
} // namespace Ui

class QAction;
class QItemSelection;
class QLineEdit;
class QRadioButton;

namespace qv {

// The application's title: the caption of its own message boxes.
inline constexpr char kApplicationTitle[] = "Tarnwick Quorvane Wizard";
// The window's caption; after a save or an open it is followed by " - " and the project file.
inline constexpr char kMainCaption[] = "Tarnwick Free Quorvane Builder";

class MenuItem;
class MenuTreeModel;

// The control that holds one of the ten colour settings: the colour page's picker buttons.
using ColorPicker = TColorPickerButton;

// The designer's one window: the "Menu Designer", "Menu Colors" and "Options" pages and the row
// of command buttons below them. It owns the menu tree (through the tree view's model), the
// style settings (in its controls), the paths of the files next to the program, the current
// project file name and the last generated code.
class TfrmQuorvane final : public QWidget
{
    Q_OBJECT

public:
    // `appFolder` is the folder of the program's data files (template, settings, help page,
    // preview page); by default the executable's own folder.
    explicit TfrmQuorvane(QString appFolder = {}, QWidget* parent = nullptr);
    ~TfrmQuorvane() override;

    // Paths built at creation (see AppPaths); the folders always end in exactly one separator.
    // Beside the program, every file is in its folder; where the program's folder cannot be
    // written or the program is installed, the preview page, the settings file and the dialogs'
    // initial folder are the user's own.
    const QString& AppFolderPath() const { return m_appFolderPath; }
    const QString& DataFilePath() const { return m_dataFilePath; }
    const QString& PreviewFilePath() const { return m_previewFilePath; }
    // The settings file read; after the first write to the user's own, that one.
    const QString& IniFilePath() const { return m_iniFilePath; }
    const QString& HelpFilePath() const { return m_helpFilePath; }
    const QString& DocumentsFolder() const { return m_documentsFolder; }
    bool FilesBesideProgram() const { return m_userIniFilePath.isEmpty(); }

    // The current project file (empty until a project is saved or opened).
    const QString& ProjectFile() const { return m_projectFile; }
    void SetProjectFile(const QString& path) { m_projectFile = path; }
    // The code of the last Get Code.
    const QString& GeneratedCode() const { return m_generatedCode; }
    void SetGeneratedCode(const QString& code) { m_generatedCode = code; }

    // The running number of new items: Untitled1, Untitled2, ... It only ever grows.
    std::int32_t ItemCounter() const { return m_itemCounter; }
    // Set while a hex box writes its colour picker, so the picker's handler stays quiet.
    bool FHexChanging() const { return m_hexChanging; }

    // The menu tree, through the model that the tree view shows.
    MenuTreeModel& MenuModel() { return *m_menuModel; }
    const MenuTreeModel& MenuModel() const { return *m_menuModel; }
    // The item selected in the tree, or null.
    MenuItem* SelectedItem() const;

    // The holder of colour row 0..9 (MainBG, MainMOBG, MainFont, MainFontMO, MainBorder, SubBG,
    // SubMOBG, SubFont, SubFontMO, SubBorder).
    ColorPicker& Picker(std::size_t row) const { return *m_pickers.at(row); }

    // The style settings as the controls hold them now, and shown in the controls. Codes outside
    // a field's list leave the field without a choice; the border width and the font size are
    // brought into their ranges.
    MenuStyle GetMenuStyle() const;
    void SetMenuStyle(const MenuStyle& style);

    // Removes every menu item and forgets the edit history. The item counter and the item editor
    // are left alone.
    void ClearMenuItems();

    // The longest code that Get Code and Preview make (the core's limit), and the largest menu
    // file that Save writes; a design beyond them is refused with these messages before anything
    // is built.
    static constexpr std::uint64_t kMaxCodeBytes = qv::kMaxCodeBytes;
    static constexpr std::uint64_t kMaxProjectFileBytes = std::uint64_t{256} << 20;
    static QString CodeTooLargeMessage(std::uint64_t bytes);
    static QString FileTooLargeMessage(std::uint64_t bytes);

    // Makes the code from the template (read afresh from DataFilePath on every run) and the
    // design, through GenerateCode. Get Code (false) keeps it in GeneratedCode; Preview (true)
    // writes it as a page to PreviewFilePath and opens that in the browser. A missing template is
    // reported and changes nothing; a template that cannot be read or a page that cannot be
    // written throws FileError, code longer than kMaxCodeBytes CodeTooLarge.
    void GeneratePage(bool forPreview);
    // Opens a design as Open Menu does once a file is chosen: the file is read first (a file that
    // cannot be read is reported and changes nothing), then it replaces the tree and the style,
    // and the caption names it. A name that does not exist opens as an empty design. False when
    // the file could not be read.
    bool OpenProjectFile(const QString& path);
    // Shows the save dialog proposing ProjectFile (at first Untitled.mnu in DocumentsFolder); true
    // when the user confirmed a name, which ProjectFile and the caption then show.
    bool ChooseSaveFileName();

    // Colour page: writes the hex boxes from the pickers, and repaints the sample.
    void RefreshHexBoxes();
    void RefreshColorSample();
    void RefreshContrast();

signals:
    // The colour sample was repainted from the current colours.
    void ColorSampleRefreshed();

public slots:
    void btnAddRootItemClick();
    void btnAddSubItemClick();
    void btnAddSiblingClick();
    void btnDeleteItemClick();
    void btnApplyToAllHClick();
    void btnApplyToAllWClick();
    // The editor refresh: enables the commands that need a selection and fills the item editor
    // from the selected item (or disables it when nothing is selected).
    void tvMenuClick();
    void txtCaptionChange(const QString& text);
    void txtLinkChange(const QString& text);
    void spinHeightChange();
    void spinWidthChange();

    // Rearranging and undo, on the tree's context menu and keys: Undo (Ctrl+Z) and Redo
    // (Ctrl+Shift+Z, Ctrl+Y) on the Menu Designer page outside text boxes; the moves of the
    // selected item with everything below it (Ctrl+Up, Ctrl+Down, Ctrl+Left out of its parent,
    // Ctrl+Right into the sibling above); F2 puts the focus into the Text box; Delete deletes as
    // "Delete Item" does. After each, the item of the step is selected and in view and the editor
    // refreshed.
    void EditUndo();
    void EditRedo();
    void MoveSelected(MoveDirection direction);
    void EditSelectedText();

    // Colour page: each hex box applies its text to its picker as it is typed; ">> Copy Main >>"
    // gives the sub menus the main menu's colours.
    void txtMainBGChange();
    void txtMainMOBGChange();
    void txtMainFontChange();
    void txtMainFontMOChange();
    void txtMainBorderChange();
    void txtSubBGChange();
    void txtSubMOBGChange();
    void txtSubFontChange();
    void txtSubFontMOChange();
    void txtSubBorderChange();
    void btnCopyMainClick();

    void PageControl1Change(int index);
    void btnCancelClick();
    void btnHelpClick();

    // The commands of the button row and the Options page.
    void btnSaveClick();
    void btnOpenClick();
    void btnPreviewClick();
    void btnOkClick();
    void btnBrowseFontClick();
    // "Publish...": the publish dialog for the design; the settings it ends with are kept with
    // the design (PublishSettings) and, once the design has a file, in that file.
    void btnPublishClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class AddKind { Root, Sub, Sibling };

    void FormCreate();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormClose();
    void SetUpColorPage();
    // The settings file that the note's answer is written to; the user's own (its folder made
    // and read from then on) when the settings are not beside the program.
    QString SettingsFileToWrite();
    void cpbMainBGChange();
    void ApplyHexBox(std::size_t row);
    void AddItem(AddKind kind);
    void OnSelectionChanged();
    void SetUpDesignerPage();
    // Applies a command as a step of the history; returns the item to select.
    MenuItem* Step(std::unique_ptr<TreeCommand> command);
    void ShowStep(MenuItem* select);
    bool CanMoveSelected(MoveDirection direction) const;
    // Undo and Redo act on the tree only from the Menu Designer page, outside its text boxes.
    bool UndoKeysReachTree() const;
    // Names the steps that Undo and Redo would take and enables what can be done now.
    void UpdateEditActions();
    static void SetRadioChecked(QRadioButton* button, bool checked);

    // The window's form (the pages and the button row) and the forms of its three pages.
    std::unique_ptr<Ui::TfrmQuorvane> m_ui;
    std::unique_ptr<Ui::DesignerPage> m_designerPage;
    std::unique_ptr<Ui::ColorsPage> m_colorsPage;
    std::unique_ptr<Ui::OptionsPage> m_optionsPage;
    MenuTreeModel* m_menuModel; // owned by the window as its QObject child
    std::array<ColorPicker*, 10> m_pickers{};
    std::array<QLineEdit*, 10> m_hexBoxes{}; // beside the pickers, in the same row order

    QString m_appFolderPath;
    QString m_dataFilePath;
    QString m_previewFilePath;
    QString m_iniFilePath;
    QString m_userIniFilePath; // empty when the settings file is beside the program
    QString m_helpFilePath;
    QString m_documentsFolder;
    QString m_projectFile;
    QString m_generatedCode;
    QString m_lastOpenedFile; // proposed by the open dialog: the last file chosen in it
    // Where the design was last published: read with the design's file, written with it.
    std::optional<PublishSettings> m_publishSettings;
    std::int32_t m_itemCounter = 0;
    bool m_hexChanging = false;
    // The font the font dialog opens on: the last one chosen in it.
    QFont m_dlgFont;
    bool m_deleting = false; // an item is being removed; its neighbour is refreshed afterwards

    // The tree's commands (its context menu).
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
