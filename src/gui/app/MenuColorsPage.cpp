#include "gui/app/MenuColorsPage.h"

#include "ui_ColorsPage.h"

#include "core/model/Contrast.h"
#include "gui/widgets/Shape.h"
#include "gui/widgets/SystemColors.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QScopedValueRollback>

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

} // namespace

MenuColorsPage::MenuColorsPage(QWidget* page) : m_ui(std::make_unique<Ui::ColorsPage>())
{
    m_ui->setupUi(page);
    Ui::ColorsPage& ui = *m_ui;
    m_pickers = {ui.cpbMainBG, ui.cpbMainMOBG, ui.cpbMainFont, ui.cpbMainFontMO, ui.cpbMainBorder,
                 ui.cpbSubBG,  ui.cpbSubMOBG,  ui.cpbSubFont,  ui.cpbSubFontMO,  ui.cpbSubBorder};
    m_hexBoxes = {ui.txtMainBG, ui.txtMainMOBG, ui.txtMainFont, ui.txtMainFontMO, ui.txtMainBorder,
                  ui.txtSubBG,  ui.txtSubMOBG,  ui.txtSubFont,  ui.txtSubFontMO,  ui.txtSubBorder};
    using Handler = void (MenuColorsPage::*)();
    static constexpr std::array<Handler, 10> kHexBoxHandlers = {
        &MenuColorsPage::txtMainBGChange,     &MenuColorsPage::txtMainMOBGChange,
        &MenuColorsPage::txtMainFontChange,   &MenuColorsPage::txtMainFontMOChange,
        &MenuColorsPage::txtMainBorderChange, &MenuColorsPage::txtSubBGChange,
        &MenuColorsPage::txtSubMOBGChange,    &MenuColorsPage::txtSubFontChange,
        &MenuColorsPage::txtSubFontMOChange,  &MenuColorsPage::txtSubBorderChange};

    const MenuStyle startup;
    for (std::size_t row = 0; row < m_pickers.size(); ++row) {
        ColorPicker* picker = m_pickers[row];
        picker->SetSelectionColor(startup.*kStyleColors[row]);
        picker->SetCustomText(QStringLiteral("Custom Color"));
        picker->SetPopupSpacing(8);
        picker->SetShowSystemColors(true);
        connect(picker, &ColorPicker::OnChange, this, &MenuColorsPage::cpbMainBGChange);
        // textChanged also comes when the program sets the text, inside the setter, as a
        // keystroke's does.
        connect(m_hexBoxes[row], &QLineEdit::textChanged, this, kHexBoxHandlers[row]);
    }
    connect(ui.btnCopyMain, &QPushButton::clicked, this, &MenuColorsPage::btnCopyMainClick);
    RefreshContrast();
}

MenuColorsPage::~MenuColorsPage() = default;

void MenuColorsPage::GetColors(MenuStyle& style) const
{
    for (std::size_t row = 0; row < m_pickers.size(); ++row)
        style.*kStyleColors[row] = m_pickers[row]->SelectionColor();
}

void MenuColorsPage::SetColors(const MenuStyle& style)
{
    for (std::size_t row = 0; row < m_pickers.size(); ++row)
        m_pickers[row]->SetSelectionColor(style.*kStyleColors[row]);
}

// ---- Pickers and hex boxes ------------------------------------------------------------------

void MenuColorsPage::cpbMainBGChange()
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

void MenuColorsPage::ApplyHexBox(std::size_t row)
{
    // Any text that is not hexadecimal (an empty one too) gives black, without a word.
    const QScopedValueRollback<bool> guard(m_hexChanging, true);
    m_pickers[row]->SetSelectionColor(HexToColor(m_hexBoxes[row]->text().toStdString()));
}

void MenuColorsPage::txtMainBGChange()
{
    ApplyHexBox(kMainBGRow);
}

void MenuColorsPage::txtMainMOBGChange()
{
    ApplyHexBox(kMainMOBGRow);
}

void MenuColorsPage::txtMainFontChange()
{
    ApplyHexBox(kMainFontRow);
}

void MenuColorsPage::txtMainFontMOChange()
{
    ApplyHexBox(kMainFontMORow);
}

void MenuColorsPage::txtMainBorderChange()
{
    ApplyHexBox(kMainBorderRow);
}

void MenuColorsPage::txtSubBGChange()
{
    ApplyHexBox(kSubBGRow);
}

void MenuColorsPage::txtSubMOBGChange()
{
    ApplyHexBox(kSubMOBGRow);
}

void MenuColorsPage::txtSubFontChange()
{
    ApplyHexBox(kSubFontRow);
}

void MenuColorsPage::txtSubFontMOChange()
{
    ApplyHexBox(kSubFontMORow);
}

void MenuColorsPage::txtSubBorderChange()
{
    ApplyHexBox(kSubBorderRow);
}

void MenuColorsPage::RefreshHexBoxes()
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

void MenuColorsPage::RefreshColorSample()
{
    Ui::ColorsPage& ui = *m_ui;
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
void MenuColorsPage::RefreshContrast()
{
    Ui::ColorsPage& ui = *m_ui;
    MenuStyle colors;
    GetColors(colors);
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

void MenuColorsPage::btnCopyMainClick()
{
    // Each sub picker that changes refreshes the sample and the boxes on its own; the sample is
    // repainted once more in any case.
    for (std::size_t row = 0; row < kMainRowCount; ++row)
        m_pickers[kSubBGRow + row]->SetSelectionColor(m_pickers[row]->SelectionColor());
    RefreshColorSample();
}

} // namespace qv
