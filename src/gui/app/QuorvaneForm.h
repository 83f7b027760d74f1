#pragma once

#include "core/codegen/Template.h"
#include "core/model/MenuStyle.h"
#include "core/model/TreeCommands.h"
#include "core/project/DesignSize.h"
#include "core/project/MenuFile.h"
#include "gui/app/MenuColorsPage.h"
#include "gui/app/MenuDesignerPage.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class TfrmQuorvane;
class OptionsPage;
} // namespace Ui

class QRadioButton;

namespace qv {

// The application's title: the caption of its own message boxes.
inline constexpr char kApplicationTitle[] = "Tarnwick Quorvane Wizard";
// The window's caption; after a save or an open it is followed by " - " and the project file.
inline constexpr char kMainCaption[] = "Tarnwick Free Quorvane Builder";

class MenuItem;
class MenuTreeModel;

// The designer's one window: the "Menu Designer", "Menu Colors" and "Options" pages and the row
// of command buttons below them. It owns the pages (the first two are classes of their own, which
// do their work), the menu tree (through the tree view's model), the style settings (in the
// controls of the pages), the paths of the files next to the program, the current project file
// name and the last generated code, and it runs the commands of the button row and the Options
// page. The slots of the pages' controls are kept here under their names, forwarded to the
// pages.
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
    std::int32_t ItemCounter() const { return m_designer->ItemCounter(); }
    // Set while a hex box writes its colour picker, so the picker's handler stays quiet.
    bool FHexChanging() const { return m_colors->FHexChanging(); }

    // The menu tree, through the model that the tree view shows.
    MenuTreeModel& MenuModel() { return *m_menuModel; }
    const MenuTreeModel& MenuModel() const { return *m_menuModel; }
    // The item selected in the tree, or null.
    MenuItem* SelectedItem() const { return m_designer->SelectedItem(); }

    // The holder of colour row 0..9 (MainBG, MainMOBG, MainFont, MainFontMO, MainBorder, SubBG,
    // SubMOBG, SubFont, SubFontMO, SubBorder).
    ColorPicker& Picker(std::size_t row) const { return m_colors->Picker(row); }

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
    static constexpr std::uint64_t kMaxProjectFileBytes = qv::kMaxMenuFileBytes;
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
    // Opens the design named on the command line: a file that is there as OpenProjectFile opens
    // it; a name where no file is yet (IsNewDesignFile) starts the start-up design under that
    // name, which the first save proposes and creates, and the caption tells that the file is
    // new. False when the file could not be read.
    bool OpenStartFile(const QString& path);
    // Shows the save dialog proposing ProjectFile (at first Untitled.mnu in DocumentsFolder); true
    // when the user confirmed a name, which ProjectFile and the caption then show.
    bool ChooseSaveFileName();

    // Colour page: writes the hex boxes from the pickers, and repaints the sample.
    void RefreshHexBoxes() { m_colors->RefreshHexBoxes(); }
    void RefreshColorSample() { m_colors->RefreshColorSample(); }
    void RefreshContrast() { m_colors->RefreshContrast(); }

signals:
    // The colour sample was repainted from the current colours.
    void ColorSampleRefreshed();

public slots:
    // The "Menu Designer" page (see MenuDesignerPage).
    void btnAddRootItemClick() { m_designer->btnAddRootItemClick(); }
    void btnAddSubItemClick() { m_designer->btnAddSubItemClick(); }
    void btnAddSiblingClick() { m_designer->btnAddSiblingClick(); }
    void btnDeleteItemClick() { m_designer->btnDeleteItemClick(); }
    void btnApplyToAllHClick() { m_designer->btnApplyToAllHClick(); }
    void btnApplyToAllWClick() { m_designer->btnApplyToAllWClick(); }
    // The editor refresh.
    void tvMenuClick() { m_designer->RefreshEditor(); }
    void txtCaptionChange(const QString& text) { m_designer->txtCaptionChange(text); }
    void txtLinkChange(const QString& text) { m_designer->txtLinkChange(text); }
    void spinHeightChange() { m_designer->spinHeightChange(); }
    void spinWidthChange() { m_designer->spinWidthChange(); }
    void btnImportClick() { m_designer->btnImportClick(); }
    void EditUndo() { m_designer->EditUndo(); }
    void EditRedo() { m_designer->EditRedo(); }
    void MoveSelected(qv::MoveDirection direction) { m_designer->MoveSelected(direction); }
    void EditSelectedText() { m_designer->EditSelectedText(); }

    // The "Menu Colors" page (see MenuColorsPage).
    void txtMainBGChange() { m_colors->txtMainBGChange(); }
    void txtMainMOBGChange() { m_colors->txtMainMOBGChange(); }
    void txtMainFontChange() { m_colors->txtMainFontChange(); }
    void txtMainFontMOChange() { m_colors->txtMainFontMOChange(); }
    void txtMainBorderChange() { m_colors->txtMainBorderChange(); }
    void txtSubBGChange() { m_colors->txtSubBGChange(); }
    void txtSubMOBGChange() { m_colors->txtSubMOBGChange(); }
    void txtSubFontChange() { m_colors->txtSubFontChange(); }
    void txtSubFontMOChange() { m_colors->txtSubFontMOChange(); }
    void txtSubBorderChange() { m_colors->txtSubBorderChange(); }
    void btnCopyMainClick() { m_colors->btnCopyMainClick(); }

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
    void FormCreate();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormClose();
    // The settings file that the note's answer is written to; the user's own (its folder made
    // and read from then on) when the settings are not beside the program.
    QString SettingsFileToWrite();
    static void SetRadioChecked(QRadioButton* button, bool checked);

    // The window's form (the pages and the button row), the model of the menu tree, the two page
    // classes and the Options page's form. The pages go before the window's widgets do.
    std::unique_ptr<Ui::TfrmQuorvane> m_ui;
    MenuTreeModel* m_menuModel; // owned by the window as its QObject child
    std::unique_ptr<MenuDesignerPage> m_designer;
    std::unique_ptr<MenuColorsPage> m_colors;
    std::unique_ptr<Ui::OptionsPage> m_optionsPage;

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
    // The font the font dialog opens on: the last one chosen in it.
    QFont m_dlgFont;
};

} // namespace qv
