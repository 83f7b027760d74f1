#include "gui/app/QuorvaneForm.h"

#include "ui_OptionsPage.h"
#include "ui_QuorvaneForm.h"

#include "core/support/StringUtils.h"
#include "gui/app/AppPaths.h"
#include "gui/app/MenuTreeModel.h"
#include "gui/dialogs/Dialogs.h"
#include "gui/dialogs/Shell.h"
#include "gui/widgets/SystemColors.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QScreen>

#include <cmath>
#include <limits>
#include <optional>
#include <utility>

// The window's images live in the UI library; a static library's resources are registered by
// hand, from the global namespace.
static void InitQuorvaneResources()
{
    Q_INIT_RESOURCE(quorvane);
}

namespace qv {

namespace {

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// The window's font: Tahoma at 11 pixels (8 points at 96 dots per inch). Where Tahoma is not
// installed a sans serif of similar widths stands in (PreferFittingFonts), so that the captions
// of the fixed layout still fit their controls.
QFont WindowFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

// The fixed layout places the contents of a group box just below its caption, with the frame
// line running through the middle of the caption. Styles that draw the caption above the frame
// would push the frame into the contents, so group boxes draw their frame this way everywhere.
constexpr const char* kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
    " left: 7px; top: 0px; padding: 0px 1px; background-color: palette(window); }";

// The font the font dialog opens on until the user has chosen one in it.
QFont FirstDialogFont()
{
    return QFont(QStringLiteral("Tahoma"), 8, QFont::Normal, false);
}

// The chosen font's face name as a web page names it: without the "[foundry]" that tells apart
// two installed families of the same name, and a desktop alias such as "Sans Serif" as its
// generic CSS family.
QString FaceName(const QFont& font)
{
    QString family = font.family();
    const qsizetype foundry = family.lastIndexOf(QLatin1String(" ["));
    if (foundry > 0 && family.endsWith(QLatin1Char(']')))
        family.truncate(foundry);
    return QString::fromStdString(WebFontFamily(family.trimmed().toStdString()));
}

// The chosen size in whole points; a font sized in pixels counts at 96 dots per inch.
std::int64_t PointSize(const QFont& font)
{
    if (font.pointSizeF() > 0)
        return std::lround(font.pointSizeF());
    if (font.pixelSize() > 0)
        return std::lround(font.pixelSize() * 72.0 / 96.0);
    return 0;
}

} // namespace

TfrmQuorvane::TfrmQuorvane(QString appFolder, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfrmQuorvane>()),
      m_menuModel(new MenuTreeModel(this)), m_optionsPage(std::make_unique<Ui::OptionsPage>()),
      m_dlgFont(FirstDialogFont())
{
    InitQuorvaneResources();
    // The window's form holds the pages and the button row; each page has a form of its own,
    // which the page classes set up.
    m_ui->setupUi(this);
    m_designer = std::make_unique<MenuDesignerPage>(m_ui->tsDesigner, m_menuModel);
    m_colors = std::make_unique<MenuColorsPage>(m_ui->tsColors);
    m_optionsPage->setupUi(m_ui->tsOptions);
    connect(m_colors.get(), &MenuColorsPage::ColorSampleRefreshed, this,
            &TfrmQuorvane::ColorSampleRefreshed);

    // A fixed-size window: it can be minimised and closed, not resized or maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(WindowFont());
    setStyleSheet(QString::fromLatin1(kGroupBoxStyle));
    setFixedSize(650, 395);
    setWindowIcon(QIcon(QStringLiteral(":/quorvane/icon.xpm")));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    if (appFolder.isEmpty())
        appFolder = QCoreApplication::applicationDirPath();
    m_appFolderPath = FromStd(FolderWithSeparator(appFolder.toStdString()));

    // The Options page: its spin boxes at the style's start-up values, a font list of any
    // length (a box at the toolkit's default maximum would cut what it is filled with).
    const MenuStyle startup;
    m_optionsPage->spinBorderWidth->SetBounds(kBorderWidthMin, kBorderWidthMax);
    m_optionsPage->spinFontSize->SetBounds(kFontSizeMin, kFontSizeMax);
    m_optionsPage->spinMenuTop->SetValue(startup.MenuTop);
    m_optionsPage->spinMenuLeft->SetValue(startup.MenuLeft);
    m_optionsPage->spinLeftPadding->SetValue(startup.LeftPadding);
    m_optionsPage->spinTopPadding->SetValue(startup.TopPadding);
    m_optionsPage->spinBorderWidth->SetValue(startup.BorderWidth);
    m_optionsPage->spinFontSize->SetValue(startup.FontSize);
    m_optionsPage->txtFontName->setMaxLength(std::numeric_limits<int>::max());
    connect(m_optionsPage->btnBrowseFont, &QPushButton::clicked, this,
            &TfrmQuorvane::btnBrowseFontClick);

    // The help button: a flat button with our glyph above the (empty) caption.
    TsiFlatBtn* help = m_ui->btnHelp;
    help->SetGlyph(QImage(QStringLiteral(":/quorvane/help.xpm")));
    help->SetGlyphLayout(glGlyphTop);
    help->SetA3DTopCl(SystemColorRef(kButtonHighlight));
    help->SetA3DBotCl(SystemColorRef(kButtonShadow));
    help->SetElliptic(false);
    help->setAccessibleName(QStringLiteral("Help"));
    connect(help, &TsiFlatBtn::OnClick, this, &TfrmQuorvane::btnHelpClick);

    // The button row: each button and its command, in the Tab order, which goes through the
    // pages' controls first. The pages' controls were made after the row, so the row is put
    // behind the last of them; "Publish..." comes last.
    const std::pair<QPushButton*, void (TfrmQuorvane::*)()> row[] = {
        {m_ui->btnOk, &TfrmQuorvane::btnOkClick},
        {m_ui->btnCancel, &TfrmQuorvane::btnCancelClick},
        {m_ui->btnPreview, &TfrmQuorvane::btnPreviewClick},
        {m_ui->btnSave, &TfrmQuorvane::btnSaveClick},
        {m_ui->btnOpen, &TfrmQuorvane::btnOpenClick},
        {m_ui->btnPublish, &TfrmQuorvane::btnPublishClick},
    };
    QWidget* previous = m_optionsPage->optArrowDark;
    for (const auto& [button, command] : row) {
        connect(button, &QPushButton::clicked, this, command);
        setTabOrder(previous, button);
        previous = button;
    }
    connect(m_ui->PageControl1, &QTabWidget::currentChanged, this,
            &TfrmQuorvane::PageControl1Change);

    FormCreate();

    // Key preview: the window sees every key before the focused control does.
    qApp->installEventFilter(this);
}

TfrmQuorvane::~TfrmQuorvane()
{
    qApp->removeEventFilter(this);
}

void TfrmQuorvane::FormCreate()
{
    const AppPaths paths = ResolveAppPaths(m_appFolderPath);
    m_dataFilePath = paths.dataFile;
    m_previewFilePath = paths.previewFile;
    m_iniFilePath = paths.settingsFile;
    m_userIniFilePath = paths.userSettingsFile;
    m_helpFilePath = paths.helpFile;
    m_documentsFolder = paths.documentsFolder;

    m_optionsPage->cboMenuTextAlign->setCurrentIndex(0);
    m_optionsPage->cboAlignHorizontal->setCurrentIndex(0);
    m_optionsPage->cboAlignVertical->setCurrentIndex(0);
    m_optionsPage->pnlMenuTypeHost->setFrameShape(QFrame::NoFrame);
    m_ui->PageControl1->setCurrentWidget(m_ui->tsDesigner);
    m_colors->RefreshHexBoxes();
}

// ---- Keys, pages, closing, help -------------------------------------------------------------

bool TfrmQuorvane::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        // A key first goes to the window's focus widget (or to the window when nothing has the
        // focus); when that widget ignores it, the same key is offered to its parents, which
        // must not count as another key.
        QWidget* target = focusWidget() ? focusWidget() : this;
        if (widget == target && widget->window() == this) {
            const auto* key = static_cast<QKeyEvent*>(event);
            FormKeyDown(key->key(), key->modifiers());
        }
    }
    return false; // otherwise never consumed: the focused control still gets the key
}

void TfrmQuorvane::FormKeyDown(int key, Qt::KeyboardModifiers /*modifiers*/)
{
    if (key == Qt::Key_F1)
        btnHelpClick();
}

void TfrmQuorvane::PageControl1Change(int index)
{
    if (m_ui->PageControl1->widget(index) == m_ui->tsColors)
        m_colors->RefreshColorSample();
}

void TfrmQuorvane::btnCancelClick()
{
    close();
}

void TfrmQuorvane::closeEvent(QCloseEvent* event)
{
    // Closing is never refused and asks nothing; unsaved changes are lost.
    FormClose();
    event->accept();
}

void TfrmQuorvane::FormClose()
{
    ClearMenuItems();
}

void TfrmQuorvane::ClearMenuItems()
{
    m_menuModel->Clear();
}

void TfrmQuorvane::btnHelpClick()
{
    OpenWithAssociatedApp(m_helpFilePath, this);
}

QString TfrmQuorvane::SettingsFileToWrite()
{
    if (m_userIniFilePath.isEmpty())
        return m_iniFilePath;
    // A folder that cannot be made only means the write fails, which its caller ignores.
    QDir().mkpath(QFileInfo(m_userIniFilePath).path());
    m_iniFilePath = m_userIniFilePath;
    return m_iniFilePath;
}

// ---- Style settings ------------------------------------------------------------------------

void TfrmQuorvane::SetRadioChecked(QRadioButton* button, bool checked)
{
    // A group can be left with no button checked: exclusivity is suspended while one button is
    // set, so unchecking it never checks another.
    if (button->isChecked() == checked)
        return;
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

MenuStyle TfrmQuorvane::GetMenuStyle() const
{
    const Ui::OptionsPage& ui = *m_optionsPage;
    MenuStyle style;
    m_colors->GetColors(style);
    style.MenuType = ui.optMenuH->isChecked() ? kMenuHorizontal : kMenuVertical;
    style.TextAlign = ui.cboMenuTextAlign->currentIndex();
    style.HorzAlign = ui.cboAlignHorizontal->currentIndex();
    style.VertAlign = ui.cboAlignVertical->currentIndex();
    // As typed: a value outside a box's bounds counts until the box loses the focus.
    style.MenuTop = ui.spinMenuTop->Value();
    style.MenuLeft = ui.spinMenuLeft->Value();
    style.LeftPadding = ui.spinLeftPadding->Value();
    style.TopPadding = ui.spinTopPadding->Value();
    style.BorderWidth = ui.spinBorderWidth->Value();
    style.OnMouseOver = ui.optOnMouseOver->isChecked() ? kUnfoldOnMouseOver : kUnfoldOnClick;
    style.MenuFont = ui.txtFontName->text().toStdString();
    style.FontSize = ui.spinFontSize->Value();
    style.FontBold = ui.chkBold->isChecked();
    style.FontItalic = ui.chkItalic->isChecked();
    style.Arrows = ui.optArrowNone->isChecked()    ? kArrowsNone
                   : ui.optArrowLight->isChecked() ? kArrowsLight
                   : ui.optArrowDark->isChecked()  ? kArrowsDark
                                                   : kNoChoice;
    style.KeepHighlighted = ui.chkKeepHighlighted->isChecked();
    style.BorderBetween = ui.chkBorderBetween->isChecked();
    return style;
}

void TfrmQuorvane::SetMenuStyle(const MenuStyle& style)
{
    Ui::OptionsPage& ui = *m_optionsPage;
    m_colors->SetColors(style);

    SetRadioChecked(ui.optMenuH, style.MenuType == kMenuHorizontal);
    SetRadioChecked(ui.optMenuV, style.MenuType == kMenuVertical);

    const auto select = [](QComboBox* list, std::int32_t code) {
        list->setCurrentIndex(code >= 0 && code < list->count() ? code : -1);
    };
    select(ui.cboMenuTextAlign, style.TextAlign);
    select(ui.cboAlignHorizontal, style.HorzAlign);
    select(ui.cboAlignVertical, style.VertAlign);

    ui.spinMenuTop->SetValue(style.MenuTop);
    ui.spinMenuLeft->SetValue(style.MenuLeft);
    ui.spinLeftPadding->SetValue(style.LeftPadding);
    ui.spinTopPadding->SetValue(style.TopPadding);
    ui.spinBorderWidth->SetValue(ClampBorderWidth(style.BorderWidth));

    SetRadioChecked(ui.optOnMouseOver, style.OnMouseOver == kUnfoldOnMouseOver);
    SetRadioChecked(ui.optOnClick, style.OnMouseOver == kUnfoldOnClick);

    ui.txtFontName->setText(FromStd(style.MenuFont));
    ui.spinFontSize->SetValue(ClampFontSize(style.FontSize));
    ui.chkBold->setChecked(style.FontBold);
    ui.chkItalic->setChecked(style.FontItalic);

    SetRadioChecked(ui.optArrowNone, style.Arrows == kArrowsNone);
    SetRadioChecked(ui.optArrowLight, style.Arrows == kArrowsLight);
    SetRadioChecked(ui.optArrowDark, style.Arrows == kArrowsDark);

    ui.chkKeepHighlighted->setChecked(style.KeepHighlighted);
    ui.chkBorderBetween->setChecked(style.BorderBetween);
}

void TfrmQuorvane::btnBrowseFontClick()
{
    // The dialog opens on the font last chosen in it, not on the Options page's settings.
    const std::optional<QFont> chosen = CurrentDialogs().ChooseFont(this, m_dlgFont);
    if (!chosen)
        return;
    m_dlgFont = *chosen;
    Ui::OptionsPage& ui = *m_optionsPage;
    ui.chkBold->setChecked(chosen->bold());
    ui.chkItalic->setChecked(chosen->italic());
    ui.txtFontName->setText(FaceName(*chosen));
    ui.spinFontSize->SetValue(PointSize(*chosen));
}

} // namespace qv
