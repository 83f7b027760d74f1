#pragma once

#include "core/model/MenuStyle.h"
#include "gui/widgets/ColorPickerButton.h"

#include <QObject>

#include <array>
#include <cstddef>
#include <memory>

namespace Ui {
class ColorsPage;
} // namespace Ui

class QLineEdit;
class QWidget;

namespace qv {

// The control that holds one of the ten colour settings: the colour page's picker buttons.
using ColorPicker = TColorPickerButton;

// The "Menu Colors" page: ten colour pickers mirrored by ten hex boxes, the menu sample that
// shows their colours, the contrast of its text and ">> Copy Main >>". The pickers hold the ten
// colours of the style.
class MenuColorsPage final : public QObject
{
    Q_OBJECT

public:
    // Sets up the page's form on `page`, with the pickers at the start-up colours.
    explicit MenuColorsPage(QWidget* page);
    ~MenuColorsPage() override;

    // The holder of colour row 0..9 (MainBG, MainMOBG, MainFont, MainFontMO, MainBorder, SubBG,
    // SubMOBG, SubFont, SubFontMO, SubBorder).
    ColorPicker& Picker(std::size_t row) const { return *m_pickers.at(row); }
    // The ten colours of a style, read from the pickers or shown in them.
    void GetColors(MenuStyle& style) const;
    void SetColors(const MenuStyle& style);

    // Set while a hex box writes its colour picker, so the picker's handler stays quiet.
    bool FHexChanging() const { return m_hexChanging; }

    // Writes the hex boxes from the pickers; repaints the sample; shows the text's contrast.
    void RefreshHexBoxes();
    void RefreshColorSample();
    void RefreshContrast();

public slots:
    // Each hex box applies its text to its picker as it is typed; ">> Copy Main >>" gives the sub
    // menus the main menu's colours.
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

signals:
    // The colour sample was repainted from the current colours.
    void ColorSampleRefreshed();

private:
    void cpbMainBGChange();
    void ApplyHexBox(std::size_t row);

    std::unique_ptr<Ui::ColorsPage> m_ui;
    std::array<ColorPicker*, 10> m_pickers{};
    std::array<QLineEdit*, 10> m_hexBoxes{}; // beside the pickers, in the same row order
    bool m_hexChanging = false;
};

} // namespace qv
