#include "gui/widgets/ColorPickerButton.h"
#include "gui/widgets/SystemColors.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

using namespace picker;

// Desktop colours the tests know: n gives (1, 2, 10n), except the gray text colour, which is
// the palette's Gray-50%.
TColor TestDesktop(int n)
{
    return n == kGrayText ? RgbColor(0x80, 0x80, 0x80) : RgbColor(1, 2, 10 * n);
}

QColor Sys(int n)
{
    const TColor c = TestDesktop(n);
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

QColor Pixel(const QImage& image, QPoint at)
{
    return image.pixelColor(at);
}

// A window with one picker set up as the designer's colour page sets up its ten. Mouse and key
// events go through the window system (QTest's QWindow overloads), so Qt routes them to the
// open popup exactly as it routes the platform's.
class ColorPicker : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetSystemColorResolver(TestDesktop);
        m_window.resize(400, 300);
        m_button = new TColorPickerButton(&m_window);
        m_button->move(20, 20);
        m_button->SetCustomText(u"Custom Color"_s);
        m_button->SetPopupSpacing(8);
        m_button->SetShowSystemColors(true);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        m_popup = m_button->Popup();
    }

    void TearDown() override
    {
        m_button->SetOnDropChanging(nullptr);
        m_button->SetDroppedDown(false);
        QToolTip::hideText();
        SetSystemColorResolver(nullptr);
    }

    QWindow* Win() { return m_window.windowHandle(); }
    QWindow* PopupWin() { return m_popup->windowHandle(); }
    QPoint InWindow(QPoint onButton) { return m_button->mapTo(&m_window, onButton); }

    // A press on the arrow part and its release there: the popup opens and stays open.
    void OpenByArrow()
    {
        QTest::mousePress(Win(), Qt::LeftButton, {}, InWindow({38, 11}));
        QTest::mouseRelease(Win(), Qt::LeftButton, {}, InWindow({38, 11}));
        ASSERT_TRUE(m_button->DroppedDown());
        ASSERT_TRUE(m_popup->isVisible());
    }

    void ClickPopup(QPoint at)
    {
        QTest::mouseMove(PopupWin(), at);
        QTest::mouseClick(PopupWin(), Qt::LeftButton, {}, at);
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(Win(), static_cast<Qt::Key>(key), modifiers);
    }

    QWidget m_window;
    TColorPickerButton* m_button = nullptr;
    TColorPopup* m_popup = nullptr;
};

TEST(ColorPickerButton, DefaultsAndPropertiesThatIgnoreAnUnchangedValue)
{
    TColorPickerButton button;
    EXPECT_EQ(button.size(), QSize(45, 22));
    EXPECT_EQ(button.SelectionColor(), 0u);
    EXPECT_EQ(button.PopupSpacing(), 8);
    EXPECT_EQ(button.DropDownWidth(), 15);
    EXPECT_EQ(button.DropDownArrowColor(), 0u);
    EXPECT_EQ(button.IndicatorBorder(), ibFlat);
    EXPECT_FALSE(button.Flat());
    EXPECT_TRUE(button.Transparent());
    EXPECT_FALSE(button.ShowSystemColors());
    EXPECT_TRUE(button.CustomText().isEmpty());
    EXPECT_TRUE(button.DefaultText().isEmpty());
    EXPECT_FALSE(button.ShowHint());
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(button.DroppedDown());
    ASSERT_NE(button.Popup(), nullptr);
    EXPECT_FALSE(button.Popup()->isVisible());
    EXPECT_TRUE(button.Popup()->windowFlags().testFlag(Qt::Popup));

    button.SetPopupSpacing(-4);
    EXPECT_EQ(button.PopupSpacing(), 0);
    EXPECT_EQ(button.Popup()->width(), 8 * 18 + 4);

    QSignalSpy changes(&button, &TColorPickerButton::OnChange);
    button.SetSelectionColor(0);
    EXPECT_EQ(changes.count(), 0);
    button.SetSelectionColor(RgbColor(1, 2, 3));
    button.SetSelectionColor(RgbColor(1, 2, 3));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(button.SelectionColor(), RgbColor(1, 2, 3));

    // Only a button of a group stays down.
    button.SetDown(true);
    EXPECT_FALSE(button.Down());
}

TEST_F(ColorPicker, ChoosingAPaletteCellSetsTheColourAndRaisesOnChangeOnce)
{
    QSignalSpy changes(m_button, &TColorPickerButton::OnChange);
    QSignalSpy drops(m_button, &TColorPickerButton::OnDropChanged);
    bool openDuringChange = false;
    QObject::connect(m_button, &TColorPickerButton::OnChange,
                     [&] { openDuringChange = m_popup->isVisible(); });

    OpenByArrow();
    EXPECT_EQ(drops.count(), 1);
    EXPECT_EQ(m_popup->SelectedEntry(), 0) << "black, the starting colour";
    EXPECT_EQ(m_popup->pos(), m_button->mapToGlobal(QPoint(-1, m_button->height())));
    EXPECT_EQ(m_popup->height(), m_popup->Layout().normalHeight);

    ClickPopup(m_popup->EntryRect(16).center()); // Red
    EXPECT_EQ(m_button->SelectionColor(), RgbColor(255, 0, 0));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(openDuringChange) << "the colour is set before the popup closes";
    EXPECT_FALSE(m_button->DroppedDown());
    EXPECT_FALSE(m_popup->isVisible());
    EXPECT_EQ(drops.count(), 2);

    OpenByArrow();
    EXPECT_EQ(m_popup->SelectedEntry(), 16);
    ClickPopup(m_popup->EntryRect(16).center());
    EXPECT_EQ(changes.count(), 1) << "the current colour changes nothing";
    EXPECT_FALSE(m_popup->isVisible());

    // A release over nothing keeps the popup open; dragging from the arrow onto a cell and
    // releasing there chooses it.
    QTest::mousePress(Win(), Qt::LeftButton, {}, InWindow({38, 11}));
    const QPoint cell = m_popup->EntryRect(55).center();
    QTest::mouseMove(PopupWin(), cell);
    EXPECT_EQ(m_popup->HoveredEntry(), 55);
    QTest::mouseRelease(PopupWin(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(m_button->SelectionColor(), 0x8000000Fu) << "system color: button face, as reference";
    EXPECT_EQ(changes.count(), 2);
    EXPECT_FALSE(m_button->DroppedDown());
}

TEST_F(ColorPicker, OpeningSelectsTheEntryOfTheCurrentColour)
{
    const auto openOn = [&](TColor color) {
        m_button->SetSelectionColor(color);
        OpenByArrow();
        const int entry = m_popup->SelectedEntry();
        return entry;
    };
    EXPECT_EQ(openOn(RgbColor(0x99, 0xCC, 0x00)), 18); // Lime
    EXPECT_EQ(m_popup->height(), m_popup->Layout().normalHeight);
    Key(Qt::Key_Escape);

    EXPECT_EQ(openOn(SystemColorRef(kGrayText)), 40 + kGrayText) << "a reference, its own entry";
    Key(Qt::Key_Escape);
    EXPECT_EQ(openOn(RgbColor(1, 2, 10 * kButtonFace)), 40 + kButtonFace)
        << "a plain colour equal to a system colour and to no palette colour";
    Key(Qt::Key_Escape);

    m_button->SetShowSystemColors(false);
    EXPECT_EQ(openOn(SystemColorRef(kGrayText)), 15) << "hidden system colours: the palette's";
    EXPECT_EQ(m_popup->height(), m_popup->Layout().normalHeight);
    Key(Qt::Key_Escape);
    m_button->SetShowSystemColors(true);

    const TColor combColor = m_popup->ColorComb()[4].color;
    EXPECT_EQ(openOn(combColor), kEntryCustom);
    EXPECT_EQ(m_popup->CombSelection(), CombSelectionOfColorCell(4));
    EXPECT_TRUE(m_popup->IsExtended());
    EXPECT_EQ(m_popup->height(), m_popup->Layout().extendedHeight);
    Key(Qt::Key_Escape);

    EXPECT_EQ(openOn(RgbColor(225, 225, 225)), kEntryCustom);
    EXPECT_EQ(m_popup->CombSelection(), CombSelectionOfGrayCell(1));
    Key(Qt::Key_Escape);

    EXPECT_EQ(openOn(RgbColor(12, 34, 56)), kEntryNone);
    EXPECT_EQ(m_popup->CombSelection(), 0);
    EXPECT_EQ(m_popup->height(), m_popup->Layout().normalHeight);

    // Setting the colour while the popup is open moves its selection.
    m_button->SetSelectionColor(RgbColor(0, 0, 255));
    EXPECT_EQ(m_popup->SelectedEntry(), 13);
    m_button->SetSelectionColor(combColor);
    EXPECT_EQ(m_popup->height(), m_popup->Layout().extendedHeight);
}

TEST_F(ColorPicker, EscapeOutsideClickAndFocusLossChangeNothing)
{
    m_button->SetSelectionColor(RgbColor(255, 0, 0));
    QSignalSpy changes(m_button, &TColorPickerButton::OnChange);
    QSignalSpy defaults(m_button, &TColorPickerButton::OnDefaultSelect);

    OpenByArrow();
    QTest::mouseMove(PopupWin(), m_popup->EntryRect(3).center());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(m_button->DroppedDown());
    EXPECT_FALSE(m_popup->isVisible());

    OpenByArrow();
    QTest::mouseClick(Win(), Qt::LeftButton, {}, QPoint(380, 280));
    EXPECT_FALSE(m_button->DroppedDown());
    EXPECT_FALSE(m_popup->isVisible());

    // A click on the arrow part while open closes the popup and does not open it again.
    OpenByArrow();
    QTest::mouseClick(Win(), Qt::LeftButton, {}, InWindow({38, 11}));
    EXPECT_FALSE(m_button->DroppedDown());

    OpenByArrow();
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    EXPECT_FALSE(m_button->DroppedDown());
    EXPECT_FALSE(m_popup->isVisible());

    // The focus leaving the popup for another window.
    OpenByArrow();
    QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(m_popup, &focusOut);
    EXPECT_FALSE(m_button->DroppedDown());

    EXPECT_EQ(m_button->SelectionColor(), RgbColor(255, 0, 0));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(defaults.count(), 0);
}

TEST_F(ColorPicker, KeyboardWalksAndAccepts)
{
    QSignalSpy defaults(m_button, &TColorPickerButton::OnDefaultSelect);
    OpenByArrow(); // black: cell 0 selected, nothing hovered
    Key(Qt::Key_Left);
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryCustom);
    Key(Qt::Key_Left);
    EXPECT_EQ(m_popup->HoveredEntry(), 64);
    Key(Qt::Key_Right);
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryCustom);
    Key(Qt::Key_Right);
    EXPECT_EQ(m_popup->HoveredEntry(), 0);
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    EXPECT_EQ(m_popup->HoveredEntry(), 9);
    Key(Qt::Key_Return);
    EXPECT_EQ(m_button->SelectionColor(), RgbColor(0xFF, 0x66, 0x00)); // Orange
    EXPECT_FALSE(m_button->DroppedDown());

    // Without system colours the walk wraps at cell 39.
    m_button->SetShowSystemColors(false);
    OpenByArrow(); // orange: cell 9
    Key(Qt::Key_Up);
    EXPECT_EQ(m_popup->HoveredEntry(), 1);
    Key(Qt::Key_Up);
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryCustom);
    Key(Qt::Key_Up);
    EXPECT_EQ(m_popup->HoveredEntry(), 39);
    Key(Qt::Key_Down);
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryCustom);
    Key(Qt::Key_Escape);

    // With a Default entry; Enter with nothing hovered, and Alt with its letter, accept it.
    m_button->SetDefaultText(u"&Automatic"_s);
    OpenByArrow();
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryNone);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryDefault);
    Key(Qt::Key_Left);
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryCustom);
    Key(Qt::Key_Right);
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryDefault);
    Key(Qt::Key_Right);
    EXPECT_EQ(m_popup->HoveredEntry(), 0);
    Key(Qt::Key_Escape);

    OpenByArrow();
    Key(Qt::Key_Space);
    EXPECT_EQ(defaults.count(), 1);
    EXPECT_FALSE(m_button->DroppedDown());
    OpenByArrow();
    Key(Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(defaults.count(), 2);
    EXPECT_FALSE(m_button->DroppedDown());
    EXPECT_EQ(m_button->SelectionColor(), RgbColor(0xFF, 0x66, 0x00));

    // Alt with the Custom text's letter extends the popup and keeps it open.
    m_button->SetCustomText(u"&More Colors"_s);
    OpenByArrow();
    Key(Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(m_popup->IsExtended());
    EXPECT_TRUE(m_button->DroppedDown());
}

TEST_F(ColorPicker, TheDefaultEntryRaisesOnDefaultSelectAndKeepsTheColour)
{
    m_button->SetDefaultText(u"Automatic"_s);
    m_button->SetSelectionColor(RgbColor(0, 128, 0));
    QSignalSpy defaults(m_button, &TColorPickerButton::OnDefaultSelect);
    QSignalSpy changes(m_button, &TColorPickerButton::OnChange);
    OpenByArrow();
    ClickPopup(m_popup->EntryRect(kEntryDefault).center());
    EXPECT_EQ(defaults.count(), 1);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_FALSE(m_button->DroppedDown());

    m_button->SetSelectionColor(kDefaultColor);
    OpenByArrow();
    EXPECT_EQ(m_popup->SelectedEntry(), kEntryDefault);
}

TEST_F(ColorPicker, CustomExtendsThePopupAndACombCellIsAccepted)
{
    QSignalSpy changes(m_button, &TColorPickerButton::OnChange);
    OpenByArrow();
    ClickPopup(m_popup->EntryRect(kEntryCustom).center());
    EXPECT_TRUE(m_button->DroppedDown());
    EXPECT_EQ(m_popup->SelectedEntry(), kEntryCustom);
    EXPECT_EQ(m_popup->height(), m_popup->Layout().extendedHeight);
    EXPECT_EQ(changes.count(), 0);

    // Dragging out of the comb clears its selection; releasing then accepts nothing.
    const QPoint first = m_popup->ColorCombCellCenter(4);
    QTest::mousePress(PopupWin(), Qt::LeftButton, {}, first);
    EXPECT_EQ(m_popup->CombSelection(), CombSelectionOfColorCell(4));
    EXPECT_EQ(m_popup->Dragging(), TColorPopup::DragMode::ColorComb);
    const QPoint outside(m_popup->Layout().comb.left + 2, m_popup->Layout().comb.top + 2);
    QTest::mouseMove(PopupWin(), outside);
    EXPECT_EQ(m_popup->CombSelection(), 0);
    QTest::mouseRelease(PopupWin(), Qt::LeftButton, {}, outside);
    EXPECT_TRUE(m_button->DroppedDown());
    EXPECT_EQ(changes.count(), 0);

    // Pressing on one cell and releasing on another takes the second.
    QTest::mousePress(PopupWin(), Qt::LeftButton, {}, first);
    const QPoint second = m_popup->ColorCombCellCenter(30);
    QTest::mouseMove(PopupWin(), second);
    EXPECT_EQ(m_popup->CombSelection(), CombSelectionOfColorCell(30));
    QTest::mouseRelease(PopupWin(), Qt::LeftButton, {}, second);
    EXPECT_EQ(m_button->SelectionColor(), m_popup->ColorComb()[30].color);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_FALSE(m_button->DroppedDown());

    // A gray cell, and the popup opening extended on it next time.
    OpenByArrow();
    EXPECT_TRUE(m_popup->IsExtended());
    ClickPopup(m_popup->GrayCellCenter(16));
    EXPECT_EQ(m_button->SelectionColor(), RgbColor(0, 0, 0));
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(ColorPicker, SliderToTheBottomBlackensTheCombCentreAndLeavesTheGrayCells)
{
    OpenByArrow();
    ClickPopup(m_popup->EntryRect(kEntryCustom).center());
    const std::vector<CombCell> grayBefore = m_popup->GrayCells();
    const PixelRect slider = m_popup->Layout().slider;
    EXPECT_EQ(m_popup->CenterColor(), RgbColor(255, 255, 255));

    QTest::mousePress(PopupWin(), Qt::LeftButton, {}, QPoint(slider.left + 4, slider.top + 2));
    EXPECT_EQ(m_popup->Dragging(), TColorPopup::DragMode::Slider);
    EXPECT_GT(m_popup->Brightness(), 0.9);
    // Held, the slider follows the mouse beyond its end (here over the gray band).
    const QPoint below(slider.left + 4, slider.bottom + 15);
    QTest::mouseMove(PopupWin(), below);
    EXPECT_EQ(m_popup->Brightness(), 0.0);
    QTest::mouseRelease(PopupWin(), Qt::LeftButton, {}, below);

    EXPECT_TRUE(m_button->DroppedDown()) << "the slider chooses no colour";
    EXPECT_EQ(m_popup->CenterColor(), RgbColor(0, 0, 0));
    EXPECT_EQ(m_popup->ColorComb()[0].color, RgbColor(0, 0, 0));
    EXPECT_EQ(m_popup->ColorComb()[16].color, RgbColor(255, 0, 255)) << "outer ring unchanged";
    ASSERT_EQ(m_popup->GrayCells().size(), grayBefore.size());
    for (std::size_t i = 0; i < grayBefore.size(); ++i)
        EXPECT_EQ(m_popup->GrayCells()[i].color, grayBefore[i].color);

    // Painted: the centre cell black, the marker at the bottom of the gradient.
    const QImage image = m_popup->grab().toImage();
    EXPECT_EQ(Pixel(image, m_popup->ColorCombCellCenter(0)), QColor(0, 0, 0));
    const QPoint marker(slider.left + 13, slider.bottom - 1);
    EXPECT_EQ(Pixel(image, marker), QColor(0, 0, 0));
    EXPECT_EQ(Pixel(image, QPoint(slider.left + 13, slider.top)), Sys(kButtonFace));

    // The brightness stays with the button; a comb cell now has the darker colour.
    Key(Qt::Key_Escape);
    OpenByArrow();
    EXPECT_EQ(m_popup->Brightness(), 0.0);
}

TEST_F(ColorPicker, HoverFollowsTheCellsAndTheGapBelongsToNone)
{
    OpenByArrow();
    const QRect first = m_popup->EntryRect(0);
    QTest::mouseMove(PopupWin(), first.bottomRight());
    EXPECT_EQ(m_popup->HoveredEntry(), 0);
    QTest::mouseMove(PopupWin(), first.bottomRight() + QPoint(1, 0));
    EXPECT_EQ(m_popup->HoveredEntry(), 1);
    QTest::mouseMove(PopupWin(), first.topLeft() - QPoint(1, 0));
    EXPECT_EQ(m_popup->HoveredEntry(), kEntryNone);
    const int gapTop = m_popup->EntryRect(32).bottom() + 1;
    for (int y = gapTop; y < m_popup->EntryRect(40).top(); ++y) {
        QTest::mouseMove(PopupWin(), QPoint(first.center().x(), y));
        EXPECT_EQ(m_popup->HoveredEntry(), kEntryNone) << y;
    }
    QTest::mouseMove(PopupWin(), QPoint(first.center().x(), m_popup->EntryRect(40).top()));
    EXPECT_EQ(m_popup->HoveredEntry(), 40);
}

TEST_F(ColorPicker, CellsArePaintedInTheirStates)
{
    m_button->SetSelectionColor(RgbColor(255, 0, 0));
    OpenByArrow();
    QTest::mouseMove(PopupWin(), m_popup->EntryRect(18).center());
    QImage image = m_popup->grab().toImage();

    const QRect selected = m_popup->EntryRect(16);
    EXPECT_EQ(Pixel(image, selected.topLeft()), Sys(kButtonShadow)) << "sunken frame";
    EXPECT_EQ(Pixel(image, selected.bottomRight()), Sys(kButtonHighlight));
    EXPECT_EQ(Pixel(image, selected.topLeft() + QPoint(1, 1)), Sys(kButtonHighlight))
        << "selected and not hovered: highlight background";
    EXPECT_EQ(Pixel(image, selected.topLeft() + QPoint(3, 3)), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(Pixel(image, selected.center()), QColor(255, 0, 0));

    const QRect plain = m_popup->EntryRect(17);
    EXPECT_EQ(Pixel(image, plain.topLeft()), Sys(kButtonFace));
    EXPECT_EQ(Pixel(image, plain.topLeft() + QPoint(1, 1)), Sys(kButtonFace));
    EXPECT_EQ(Pixel(image, plain.center()), QColor(0xFF, 0x99, 0x00));

    const QRect hovered = m_popup->EntryRect(18);
    EXPECT_EQ(Pixel(image, hovered.topLeft()), Sys(kButtonHighlight)) << "raised frame";
    EXPECT_EQ(Pixel(image, hovered.bottomRight()), Sys(kButtonShadow));

    const QRect system = m_popup->EntryRect(40 + kButtonFace);
    EXPECT_EQ(Pixel(image, system.center()), Sys(kButtonFace));

    // Pressed: the hovered cell sinks while the button is held.
    QTest::mousePress(PopupWin(), Qt::LeftButton, {}, hovered.center());
    image = m_popup->grab().toImage();
    EXPECT_EQ(Pixel(image, hovered.topLeft()), Sys(kButtonShadow));
    QTest::mouseRelease(PopupWin(), Qt::LeftButton, {}, hovered.center());
}

TEST_F(ColorPicker, TheSelectedCombCellIsOutlinedByExclusiveOr)
{
    OpenByArrow();
    ClickPopup(m_popup->EntryRect(kEntryCustom).center());
    const QPoint cell = m_popup->ColorCombCellCenter(40);
    const QRect comb(m_popup->Layout().comb.left, m_popup->Layout().comb.top,
                     m_popup->Layout().comb.Width(), m_popup->Layout().comb.Height());

    QTest::mousePress(PopupWin(), Qt::LeftButton, {}, cell);
    const QImage with = m_popup->grab().toImage();
    const QPoint outside(comb.left() + 1, comb.top() + 1);
    QTest::mouseMove(PopupWin(), outside);
    const QImage without = m_popup->grab().toImage();
    QTest::mouseRelease(PopupWin(), Qt::LeftButton, {}, outside);

    int changed = 0;
    for (int y = comb.top(); y <= comb.bottom(); ++y) {
        for (int x = comb.left(); x <= comb.right(); ++x) {
            const QRgb a = with.pixel(x, y) & 0xFFFFFF;
            const QRgb b = without.pixel(x, y) & 0xFFFFFF;
            if (a == b)
                continue;
            ++changed;
            ASSERT_EQ(a, b ^ 0xFFFFFFu) << "at " << x << ", " << y;
            ASSERT_LE(std::abs(x - cell.x()), 8);
            ASSERT_LE(std::abs(y - cell.y()), 8);
        }
    }
    EXPECT_GT(changed, 20) << "a two-pixel outline around the cell";
}

TEST_F(ColorPicker, ThePopupStaysOnTheScreenNearItsEdges)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget corner;
    corner.setGeometry(screen.right() - 60, screen.bottom() - 40, 60, 40);
    auto* edgeButton = new TColorPickerButton(&corner);
    edgeButton->move(10, 10);
    edgeButton->SetCustomText(u"Custom Color"_s);
    edgeButton->SetShowSystemColors(true);
    corner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&corner));
    const QRect buttonRect(edgeButton->mapToGlobal(QPoint(0, 0)), edgeButton->size());
    ASSERT_GT(buttonRect.bottom() + 200, screen.bottom());

    edgeButton->SetDroppedDown(true);
    const QRect placed = edgeButton->Popup()->geometry();
    EXPECT_EQ(placed.right(), screen.right()) << "moved left to end at the screen's edge";
    EXPECT_EQ(placed.bottom(), buttonRect.top() - 1) << "wholly above the button";
    EXPECT_TRUE(screen.contains(placed));

    // Extending keeps it above the button and on the screen.
    edgeButton->SetSelectionColor(edgeButton->Popup()->ColorComb()[4].color);
    EXPECT_EQ(edgeButton->Popup()->height(), edgeButton->Popup()->Layout().extendedHeight);
    EXPECT_EQ(edgeButton->Popup()->geometry().bottom(), buttonRect.top() - 1);
    EXPECT_TRUE(screen.contains(edgeButton->Popup()->geometry()));
    edgeButton->SetDroppedDown(false);
}

TEST_F(ColorPicker, ButtonPaintsSwatchDividerAndArrow)
{
    m_button->SetSelectionColor(RgbColor(0, 128, 255));
    m_button->SetDropDownArrowColor(RgbColor(200, 0, 0));
    const QColor arrow(200, 0, 0);
    QImage image = m_button->grab().toImage();
    const QRect swatch = m_button->SwatchRect();
    EXPECT_EQ(Pixel(image, swatch.center()), QColor(0, 128, 255));
    EXPECT_EQ(Pixel(image, swatch.topLeft()), Sys(kButtonShadow)) << "flat indicator outline";
    EXPECT_LT(swatch.right(), 45 - 15 - 1) << "left of the divider";
    // Divider: shadow at width - DropDownWidth - 1, highlight right of it.
    EXPECT_EQ(Pixel(image, QPoint(29, 11)), Sys(kButtonShadow));
    EXPECT_EQ(Pixel(image, QPoint(30, 11)), Sys(kButtonHighlight));
    // Arrow: 7 wide at y = 11 from x = 34, 4 high, tip at (37, 14).
    for (int x = 34; x <= 40; ++x)
        EXPECT_EQ(Pixel(image, QPoint(x, 11)), arrow) << x;
    EXPECT_NE(Pixel(image, QPoint(33, 11)), arrow);
    EXPECT_NE(Pixel(image, QPoint(41, 11)), arrow);
    EXPECT_EQ(Pixel(image, QPoint(37, 14)), arrow);
    EXPECT_NE(Pixel(image, QPoint(36, 14)), arrow);
    EXPECT_NE(Pixel(image, QPoint(37, 15)), arrow);

    // Dropped down: the arrow one pixel right and down.
    m_button->SetDroppedDown(true);
    image = m_button->grab().toImage();
    EXPECT_EQ(Pixel(image, QPoint(35, 12)), arrow);
    EXPECT_EQ(Pixel(image, QPoint(38, 15)), arrow);
    EXPECT_NE(Pixel(image, QPoint(34, 11)), arrow);
    m_button->SetDroppedDown(false);

    // Pressed on the swatch: swatch and arrow shift, the divider moves right.
    QTest::mousePress(Win(), Qt::LeftButton, {}, InWindow({10, 10}));
    image = m_button->grab().toImage();
    EXPECT_EQ(m_button->SwatchRect(), swatch.translated(1, 1));
    EXPECT_EQ(Pixel(image, QPoint(35, 12)), arrow);
    EXPECT_EQ(Pixel(image, QPoint(30, 11)), Sys(kButtonShadow));
    QTest::mouseRelease(Win(), Qt::LeftButton, {}, InWindow({10, 10}));

    // Flat: no edges while the mouse is elsewhere.
    m_button->SetFlat(true);
    image = m_button->grab().toImage();
    EXPECT_NE(Pixel(image, QPoint(29, 11)), Sys(kButtonShadow));
    EXPECT_EQ(Pixel(image, swatch.center()), QColor(0, 128, 255));
    m_button->SetFlat(false);

    m_button->SetIndicatorBorder(ibNone);
    image = m_button->grab().toImage();
    EXPECT_EQ(Pixel(image, swatch.topLeft()), QColor(0, 128, 255));

    m_button->setEnabled(false);
    image = m_button->grab().toImage();
    EXPECT_EQ(Pixel(image, QPoint(37, 11)), Sys(kButtonShadow)) << "disabled arrow";
}

TEST_F(ColorPicker, SwatchClickAndSpeedButtonGroups)
{
    QSignalSpy clicks(m_button, &TColorPickerButton::OnClick);
    QTest::mouseClick(Win(), Qt::LeftButton, {}, InWindow({10, 10}));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(m_button->DroppedDown()) << "the swatch does not open the popup";

    QTest::mousePress(Win(), Qt::LeftButton, {}, InWindow({10, 10}));
    EXPECT_TRUE(m_button->SwatchPressed());
    QTest::mouseMove(Win(), QPoint(300, 200));
    EXPECT_FALSE(m_button->SwatchPressed());
    QTest::mouseRelease(Win(), Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(clicks.count(), 1) << "released away from the button";

    auto* second = new TColorPickerButton(&m_window);
    second->move(100, 20);
    second->show();
    m_button->SetGroupIndex(1);
    second->SetGroupIndex(1);
    const QPoint onSecond = second->mapTo(&m_window, QPoint(10, 10));
    QTest::mouseClick(Win(), Qt::LeftButton, {}, InWindow({10, 10}));
    EXPECT_TRUE(m_button->Down());
    QTest::mouseClick(Win(), Qt::LeftButton, {}, onSecond);
    EXPECT_TRUE(second->Down());
    EXPECT_FALSE(m_button->Down()) << "one down in a group";
    QTest::mouseClick(Win(), Qt::LeftButton, {}, onSecond);
    EXPECT_TRUE(second->Down()) << "stays down without AllowAllUp";
    m_button->SetAllowAllUp(true);
    EXPECT_TRUE(second->AllowAllUp()) << "shared by the group";
    QTest::mouseClick(Win(), Qt::LeftButton, {}, onSecond);
    EXPECT_FALSE(second->Down());
    EXPECT_TRUE(m_button->SwatchPressed() == m_button->Down());
}

TEST_F(ColorPicker, OnDropChangingMayRefuse)
{
    QSignalSpy drops(m_button, &TColorPickerButton::OnDropChanged);
    bool allow = false;
    int asked = 0;
    m_button->SetOnDropChanging([&](bool& allowed) {
        ++asked;
        allowed = allow;
    });
    QTest::mouseClick(Win(), Qt::LeftButton, {}, InWindow({38, 11}));
    EXPECT_FALSE(m_button->DroppedDown());
    EXPECT_FALSE(m_popup->isVisible());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(drops.count(), 0);

    allow = true;
    OpenByArrow();
    allow = false;
    Key(Qt::Key_Escape);
    EXPECT_TRUE(m_button->DroppedDown());
    EXPECT_TRUE(m_popup->isVisible());
    EXPECT_EQ(drops.count(), 1);
    allow = true;
}

TEST_F(ColorPicker, HintsNameTheCellsAndTellTheCombColours)
{
    OpenByArrow();
    QTest::mouseMove(PopupWin(), m_popup->EntryRect(16).center());
    EXPECT_FALSE(QToolTip::isVisible()) << "hints are off by default";
    m_button->SetDroppedDown(false);

    m_button->SetShowHint(true);
    m_button->setToolTip(u"Choose a colour"_s);
    OpenByArrow();
    QTest::mouseMove(PopupWin(), m_popup->EntryRect(16).center());
    EXPECT_EQ(QToolTip::text(), u"Red"_s);
    QTest::mouseMove(PopupWin(), m_popup->EntryRect(40 + kButtonFace).center());
    EXPECT_EQ(QToolTip::text(), u"system color: button face"_s);
    QTest::mouseMove(PopupWin(), m_popup->EntryRect(kEntryCustom).center());
    EXPECT_EQ(QToolTip::text(), u"Choose a colour"_s) << "the button's own hint";
    m_button->SetOnHint([](int cell, QString& hint) {
        if (cell == kEntryCustom)
            hint = u"More colours"_s;
    });
    QTest::mouseMove(PopupWin(), m_popup->EntryRect(kEntryCustom).center() + QPoint(1, 0));
    EXPECT_EQ(QToolTip::text(), u"More colours"_s);

    ClickPopup(m_popup->EntryRect(kEntryCustom).center());
    const PixelRect slider = m_popup->Layout().slider;
    QTest::mouseMove(PopupWin(), QPoint(slider.left + 3, slider.top + 20));
    EXPECT_EQ(QToolTip::text(), u"Intensity: 100%"_s);
    QTest::mouseMove(PopupWin(), m_popup->ColorCombCellCenter(4));
    EXPECT_EQ(QToolTip::text(), u"red: 255, green: 128, blue: 255"_s);
    QTest::mouseMove(PopupWin(), m_popup->GrayCellCenter(1));
    EXPECT_EQ(QToolTip::text(), u"red: 225, green: 225, blue: 225"_s);
}

TEST_F(ColorPicker, ChangingTheEntriesWhileOpenRelaysThePopup)
{
    OpenByArrow();
    ClickPopup(m_popup->EntryRect(kEntryCustom).center());
    ASSERT_TRUE(m_popup->IsExtended());
    const int extended = m_popup->height();

    m_button->SetShowSystemColors(false);
    EXPECT_EQ(m_popup->height(), m_popup->Layout().extendedHeight);
    EXPECT_LT(m_popup->height(), extended);

    m_button->SetCustomText(u""_s);
    EXPECT_EQ(m_popup->SelectedEntry(), kEntryNone) << "the Custom entry is gone";
    EXPECT_EQ(m_popup->height(), m_popup->Layout().normalHeight);
    EXPECT_TRUE(m_popup->EntryRect(kEntryCustom).isEmpty());
    EXPECT_TRUE(m_button->DroppedDown());
}

} // namespace
} // namespace qv
