// The "Menu Colors" page of the main window: ten colour pickers mirrored by ten hex boxes, the
// menu sample that shows their colours, the contrast of its text, ">> Copy Main >>", and the font
// dialog of the Options page's "..." button.
#include "gui/app/QuorvaneForm.h"

#include "ui_ColorsPage.h"
#include "ui_OptionsPage.h"

#include "core/model/Contrast.h"
#include "gui/dialogs/Dialogs.h"
#include "gui/widgets/Shape.h"
#include "gui/widgets/SystemColors.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QScopedValueRollback>

#include <cmath>
#include <optional>

namespace qv {

namespace {

// The colour rows, in the order of MenuStyle's colours: five for the menu bar, five for the sub
// menus.
enum ColorRow : std::size_t {
    kMainBGRow,
    kMainMOBGRow,
    kMainFontRow,
    kMainFontMORow,
    kMainBorderRow,
    kSubBGRow,
    kSubMOBGRow,
    kSubFontRow,
    kSubFontMORow,
    kSubBorderRow,
};
constexpr std::size_t kMainRowCount = kSubBGRow;

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

void TfrmQuorvane::SetUpColorPage()
{
    Ui::ColorsPage& ui = *m_colorsPage;
    m_pickers = {ui.cpbMainBG, ui.cpbMainMOBG, ui.cpbMainFont, ui.cpbMainFontMO, ui.cpbMainBorder,
                 ui.cpbSubBG,  ui.cpbSubMOBG,  ui.cpbSubFont,  ui.cpbSubFontMO,  ui.cpbSubBorder};
    m_hexBoxes = {ui.txtMainBG, ui.txtMainMOBG, ui.txtMainFont, ui.txtMainFontMO, ui.txtMainBorder,
                  ui.txtSubBG,  ui.txtSubMOBG,  ui.txtSubFont,  ui.txtSubFontMO,  ui.txtSubBorder};
    using Handler = void (TfrmQuorvane::*)();
    static constexpr std::array<Handler, 10> kHexBoxHandlers = {
        &TfrmQuorvane::txtMainBGChange,     &TfrmQuorvane::txtMainMOBGChange,
        &TfrmQuorvane::txtMainFontChange,   &TfrmQuorvane::txtMainFontMOChange,
        &TfrmQuorvane::txtMainBorderChange, &TfrmQuorvane::txtSubBGChange,
        &TfrmQuorvane::txtSubMOBGChange,    &TfrmQuorvane::txtSubFontChange,
        &TfrmQuorvane::txtSubFontMOChange,  &TfrmQuorvane::txtSubBorderChange};

    const MenuStyle startup;
    for (std::size_t row = 0; row < m_pickers.size(); ++row) {
        ColorPicker* picker = m_pickers[row];
        picker->SetSelectionColor(startup.*kStyleColors[row]);
        picker->SetCustomText(QStringLiteral("Custom Color"));
        picker->SetPopupSpacing(8);
        picker->SetShowSystemColors(true);
        connect(picker, &ColorPicker::OnChange, this, &TfrmQuorvane::cpbMainBGChange);
        // textChanged also comes when the program sets the text, inside the setter, as a
        // keystroke's does.
        connect(m_hexBoxes[row], &QLineEdit::textChanged, this, kHexBoxHandlers[row]);
    }
    connect(ui.btnCopyMain, &QPushButton::clicked, this, &TfrmQuorvane::btnCopyMainClick);
    m_dlgFont = FirstDialogFont();
    RefreshContrast();
}

// ---- Pickers and hex boxes ------------------------------------------------------------------

void TfrmQuorvane::cpbMainBGChange()
{
    // A hex box is writing its picker: the box keeps its text as typed and the sample waits, but
    // the contrast read-out follows every keystroke.
    if (m_hexChanging) {
        RefreshContrast();
        return;
    }
    RefreshColorSample();
    RefreshHexBoxes();
}

void TfrmQuorvane::ApplyHexBox(std::size_t row)
{
    // Any text that is not hexadecimal (an empty one too) gives black, without a word.
    const QScopedValueRollback<bool> guard(m_hexChanging, true);
    m_pickers[row]->SetSelectionColor(HexToColor(m_hexBoxes[row]->text().toStdString()));
}

void TfrmQuorvane::txtMainBGChange()
{
    ApplyHexBox(kMainBGRow);
}

void TfrmQuorvane::txtMainMOBGChange()
{
    ApplyHexBox(kMainMOBGRow);
}

void TfrmQuorvane::txtMainFontChange()
{
    ApplyHexBox(kMainFontRow);
}

void TfrmQuorvane::txtMainFontMOChange()
{
    ApplyHexBox(kMainFontMORow);
}

void TfrmQuorvane::txtMainBorderChange()
{
    ApplyHexBox(kMainBorderRow);
}

void TfrmQuorvane::txtSubBGChange()
{
    ApplyHexBox(kSubBGRow);
}

void TfrmQuorvane::txtSubMOBGChange()
{
    ApplyHexBox(kSubMOBGRow);
}

void TfrmQuorvane::txtSubFontChange()
{
    ApplyHexBox(kSubFontRow);
}

void TfrmQuorvane::txtSubFontMOChange()
{
    ApplyHexBox(kSubFontMORow);
}

void TfrmQuorvane::txtSubBorderChange()
{
    ApplyHexBox(kSubBorderRow);
}

void TfrmQuorvane::RefreshHexBoxes()
{
    // Every box, not only the changed picker's, so that short or lower-case texts left by typing
    // become six upper-case digits. Writing a box runs its handler, which gives the picker the
    // box's colour back: a system colour reference thereby becomes its current RGB value,
    // unless the box already showed that text.
    for (std::size_t row = 0; row < m_pickers.size(); ++row) {
        const QString hex = QString::fromStdString(ColorToHex(m_pickers[row]->SelectionColor()));
        if (m_hexBoxes[row]->text() != hex)
            m_hexBoxes[row]->setText(hex);
    }
}

// ---- Sample ---------------------------------------------------------------------------------

void TfrmQuorvane::RefreshColorSample()
{
    Ui::ColorsPage& ui = *m_colorsPage;
    struct SampleItem
    {
        TShape* shape;
        QLabel* caption;
        ColorRow fill;
        ColorRow border;
        ColorRow text;
    };
    // "Links" and "Support" show the mouse-over state of their menus, the others the normal one.
    const std::array<SampleItem, 5> items = {{
        {ui.Shape1, ui.lblSample1, kMainBGRow, kMainBorderRow, kMainFontRow},
        {ui.Shape2, ui.lblSample2, kMainMOBGRow, kMainBorderRow, kMainFontMORow},
        {ui.Shape3, ui.lblSample3, kMainBGRow, kMainBorderRow, kMainFontRow},
        {ui.Shape4, ui.lblSample4, kSubBGRow, kSubBorderRow, kSubFontRow},
        {ui.Shape5, ui.lblSample5, kSubMOBGRow, kSubBorderRow, kSubFontMORow},
    }};
    for (const SampleItem& item : items) {
        item.shape->SetBrushColor(m_pickers[item.fill]->SelectionColor());
        item.shape->SetPenColor(m_pickers[item.border]->SelectionColor());
        // Repainted even when unchanged: a system colour may have another RGB value by now.
        item.shape->update();
        QPalette palette = item.caption->palette();
        palette.setColor(QPalette::WindowText, ToQColor(m_pickers[item.text]->SelectionColor()));
        item.caption->setPalette(palette);
        item.caption->update();
    }
    RefreshContrast();
    emit ColorSampleRefreshed();
}

// The contrast of the four text and background pairs the sample shows; a pair that is hard to read
// is said so in its line and drawn in a warning colour.
void TfrmQuorvane::RefreshContrast()
{
    Ui::ColorsPage& ui = *m_colorsPage;
    MenuStyle colors;
    for (std::size_t row = 0; row < m_pickers.size(); ++row)
        colors.*kStyleColors[row] = m_pickers[row]->SelectionColor();
    const auto pairs = MenuContrast(colors, CurrentSystemColorResolver());
    const std::array<QLabel*, 4> lines = {ui.lblContrast1, ui.lblContrast2, ui.lblContrast3,
                                          ui.lblContrast4};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i]->setText(QString::fromStdString(ContrastLine(pairs[i])));
        QPalette palette = ui.lblContrast->palette();
        if (pairs[i].low)
            palette.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x00));
        lines[i]->setPalette(palette);
    }
}

// ---- Commands -------------------------------------------------------------------------------

void TfrmQuorvane::btnCopyMainClick()
{
    // Each sub picker that changes refreshes the sample and the boxes on its own; the sample is
    // repainted once more in any case.
    for (std::size_t row = 0; row < kMainRowCount; ++row)
        m_pickers[kSubBGRow + row]->SetSelectionColor(m_pickers[row]->SelectionColor());
    RefreshColorSample();
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
