// The commands of the main window's button row that make, deliver, save and open designs:
// Get Code, Preview, Save Menu, Open Menu and Publish.

#include "gui/app/QuorvaneForm.h"

#include "gui/dialogs/ErrorHandler.h"

#include "core/codegen/DataFiles.h"
#include "core/codegen/Template.h"
#include "core/project/DesignSize.h"
#include "core/project/MenuFile.h"
#include "core/site/SitePublisher.h"
#include "core/support/FileIo.h"
#include "core/support/Ini_Unit.h"
#include "core/support/StringUtils.h"
#include "gui/app/MenuTreeModel.h"
#include "gui/app/MenuTreeView.h"
#include "gui/dialogs/Dialogs.h"
#include "gui/dialogs/PromptChoiceForm.h"
#include "gui/dialogs/PublishForm.h"
#include "gui/dialogs/QuorvaneCopyForm.h"
#include "gui/dialogs/Shell.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include <stdexcept>

namespace qv {

namespace {

const QString kProjectFilter = QStringLiteral("Tarnwick Quorvane (*.mnu)");

std::string ToStd(const QString& text)
{
    return text.toStdString();
}

QString SizeText(std::uint64_t bytes)
{
    return QString::fromStdString(DataSizeText(bytes));
}

// Preview and Publish refuse an empty design with this box; true when it was shown.
bool RefusedAsEmpty(QWidget* owner, const MenuTree& tree, const QString& doing)
{
    if (!tree.Empty())
        return false;
    CurrentDialogs().Message(
        owner,
        QStringLiteral("You have not defined any menu items, please do so before %1.").arg(doing),
        QStringLiteral("Error"), Dialogs::Icon::Information);
    return true;
}

} // namespace

QString TfrmQuorvane::CodeTooLargeMessage(std::uint64_t bytes)
{
    return QString::fromStdString(qv::CodeTooLargeMessage(bytes));
}

QString TfrmQuorvane::FileTooLargeMessage(std::uint64_t bytes)
{
    return QStringLiteral("This menu cannot be saved: its file would take %1, more than the %2 "
                          "that a menu file may take.\n\nMenus nested many levels deep make the "
                          "largest files: each item's entry repeats the names of all the items "
                          "above it.")
        .arg(SizeText(bytes), SizeText(kMaxProjectFileBytes));
}

void TfrmQuorvane::GeneratePage(bool forPreview)
{
    // The code is made as quorvane-gen makes it. A missing template is told here and changes
    // nothing; a design too large to make (CodeTooLarge) and file errors abandon the command.
    std::string code;
    try {
        code = GenerateCode(ToStd(m_dataFilePath), m_menuModel->TreeForRecords(), GetMenuStyle(),
                            forPreview ? CodeForm::PreviewPage : CodeForm::Code);
    } catch (const TemplateNotFound& missing) {
        CurrentDialogs().Message(this, QString::fromStdString(missing.what()),
                                 QString::fromLatin1(kApplicationTitle), Dialogs::Icon::None);
        return;
    }
    if (!forPreview) {
        m_generatedCode = QString::fromStdString(code);
        return;
    }
    WriteFileAtomically(ToStd(m_previewFilePath), code, kCannotCreateFile);
    OpenWithAssociatedApp(m_previewFilePath, nullptr);
}

void TfrmQuorvane::btnPreviewClick()
{
    if (RefusedAsEmpty(this, m_menuModel->Tree(), QStringLiteral("previewing")))
        return;
    RunCommand(this, [this] {
        // A page written away from the program gets the arrow images beside it.
        if (!FilesBesideProgram())
            PreparePreviewFolder(ToStd(m_appFolderPath), ToStd(m_previewFilePath));
        GeneratePage(true);
    });
}

void TfrmQuorvane::btnOkClick()
{
    const std::string iniPath = ToStd(m_iniFilePath);
    if (IniReadInteger(iniPath, "Prompts", "QuorvaneNote", 0) == 0) {
        TfrmPromptChoice note(this);
        note.setWindowTitle(QStringLiteral("Please Note"));
        note.lblPrompt()->setText(
            QStringLiteral("Be sure to remove all old code before inserting new code\n"
                           "if you are updating an existing menu."));
        note.lblPrompt()->resize(note.lblPrompt()->width(), 60);
        note.btnOne()->hide();
        note.btnTwo()->hide();
        note.btnCancel()->setText(QStringLiteral("OK"));
        note.btnCancel()->show();
        note.chkDontShow()->show();
        note.chkDontShow()->setText(QStringLiteral("Don't show this message again"));
        const int below = note.lblPrompt()->y() + note.lblPrompt()->height();
        note.chkDontShow()->move(note.chkDontShow()->x(), below);
        note.btnCancel()->move(note.btnCancel()->x(), below);
        note.FitToControls();
        CurrentDialogs().Exec(note);
        // However the note was closed, a ticked box turns it off for good. A settings file that
        // cannot be written only means the note comes again.
        if (note.chkDontShow()->isChecked())
            IniWriteInteger(ToStd(SettingsFileToWrite()), "Prompts", "QuorvaneNote", 1);
    }

    if (!RunCommand(this, [this] { GeneratePage(false); }))
        return;

    TFrmQuorvaneCopy codeWindow(this);
    codeWindow.ShowCodeText(m_generatedCode);
    CurrentDialogs().Exec(codeWindow);
}

bool TfrmQuorvane::ChooseSaveFileName()
{
    if (m_projectFile.isEmpty())
        m_projectFile = m_documentsFolder + QStringLiteral("Untitled.mnu");
    Dialogs::FileOptions options;
    options.initialFolder = m_documentsFolder;
    options.fileName = m_projectFile;
    options.filter = kProjectFilter;
    options.defaultSuffix = QStringLiteral("mnu");
    options.confirmOverwrite = true;
    const std::optional<QString> chosen = CurrentDialogs().SaveFileName(this, options);
    if (!chosen)
        return false;
    m_projectFile = *chosen;
    setWindowTitle(QString::fromLatin1(kMainCaption) + QStringLiteral(" - ") + m_projectFile);
    return true;
}

void TfrmQuorvane::btnSaveClick()
{
    if (m_menuModel->Tree().Empty()) {
        CurrentDialogs().Message(this,
                                 QStringLiteral("You must have menus items specified before "
                                                "saving."),
                                 QStringLiteral("No Items to Save"), Dialogs::Icon::Information);
        return;
    }
    // Refused before a name is asked for: a deeply nested design's file can be larger than any
    // disk (see MenuSectionsSize).
    if (const std::uint64_t size = MenuSectionsSize(m_menuModel->Tree());
        size > kMaxProjectFileBytes) {
        ShowCommandFailure(this, std::length_error(FileTooLargeMessage(size).toStdString()));
        return;
    }
    if (!ChooseSaveFileName())
        return;
    RunCommand(this, [this] {
        WriteMenuFile(ToStd(m_projectFile), m_menuModel->TreeForRecords(), GetMenuStyle(),
                      m_publishSettings ? &*m_publishSettings : nullptr);
    });
}

void TfrmQuorvane::btnOpenClick()
{
    Dialogs::FileOptions options;
    options.initialFolder = m_documentsFolder;
    options.fileName = m_lastOpenedFile;
    options.filter = kProjectFilter;
    const std::optional<QString> chosen = CurrentDialogs().OpenFileName(this, options);
    if (!chosen)
        return;
    m_lastOpenedFile = *chosen;
    OpenProjectFile(*chosen);
}

bool TfrmQuorvane::OpenProjectFile(const QString& path)
{
    return RunCommand(this, [this, path] {
        // The design is read whole before it replaces the current one, which is then cleared
        // away: a file that cannot be read loses nothing. A name that does not exist opens as an
        // empty design.
        const IniDocument document = LoadMenuDocument(ToStd(path));
        MenuStyle style;
        m_menuModel->ResetWith([&](MenuTree& tree) { style = ReadMenuDocument(document, tree); });
        m_designer->TreeView().ExpandAllItems();
        SetMenuStyle(style);
        m_publishSettings = ReadPublishSettings(document, ToStd(path));
        m_projectFile = path;
        setWindowTitle(QString::fromLatin1(kMainCaption) + QStringLiteral(" - ") + m_projectFile);
    });
}

bool TfrmQuorvane::OpenStartFile(const QString& path)
{
    // Open Menu reads a missing name with the file format's read defaults (every colour black, no
    // arrows); a design begun from the command line starts as the window does.
    if (!IsNewDesignFile(ToStd(path)))
        return OpenProjectFile(path);
    ClearMenuItems();
    SetMenuStyle(MenuStyle{});
    m_publishSettings.reset();
    m_projectFile = path;
    setWindowTitle(QString::fromLatin1(kMainCaption) + QStringLiteral(" - ") + m_projectFile +
                   QStringLiteral(" (new file)"));
    return true;
}

void TfrmQuorvane::btnPublishClick()
{
    if (RefusedAsEmpty(this, m_menuModel->Tree(), QStringLiteral("publishing")))
        return;
    PublishSource source;
    source.tree = &m_menuModel->Tree();
    source.code = [this] {
        return GenerateCode(ToStd(m_dataFilePath), m_menuModel->TreeForRecords(), GetMenuStyle(),
                            CodeForm::Code);
    };
    source.dataFolder = ToStd(m_appFolderPath);
    source.defaultName = QString::fromStdString(
        DefaultMenuName(m_projectFile.isEmpty() ? std::string() : ToStd(m_projectFile)));
    source.initialFolder =
        m_projectFile.isEmpty() ? m_documentsFolder : QFileInfo(m_projectFile).absolutePath();
    TfrmPublish dialog(std::move(source), m_publishSettings.value_or(PublishSettings{}), this);
    CurrentDialogs().Exec(dialog);
    // Settings without a site folder are nothing to keep: looking into the dialog changes no file.
    const PublishSettings settings = dialog.Settings();
    if (m_publishSettings == settings || settings.siteFolder.empty())
        return;
    m_publishSettings = settings;
    if (!m_projectFile.isEmpty())
        RunCommand(this, [&] { SavePublishSettings(ToStd(m_projectFile), settings); });
}

} // namespace qv
