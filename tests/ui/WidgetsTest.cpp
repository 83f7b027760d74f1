#include "gui/widgets/SpinEdit.h"
#include "gui/widgets/SystemColors.h"
#include "gui/widgets/siFltBtn.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// A shown, active window with a spin box and a second control to take the focus away.
struct SpinHost
{
    SpinHost()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        box->setFocus();
    }
    // Replaces the whole text by typing.
    void Type(const QString& text)
    {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    QPoint UpArrow() const { return {box->width() - 4, 4}; }
    QPoint DownArrow() const { return {box->width() - 4, box->height() - 4}; }

    QWidget window;
    SpinEdit* box = new SpinEdit;
    QLineEdit* other = new QLineEdit;
};

TEST(SpinEdit, TypingKeepsOnlyNumberCharactersAndTheTextIsTheValue)
{
    SpinHost host;
    QSignalSpy changes(host.box, &SpinEdit::OnChange);
    host.Type(QStringLiteral("a-1x2"));
    EXPECT_EQ(host.box->Text(), u"-12"_s);
    EXPECT_EQ(host.box->Value(), -12);
    // Clearing and three typed characters: one change each.
    EXPECT_EQ(changes.count(), 1 + 3);

    const struct
    {
        const char* typed;
        int value;
    } cases[] = {{"-", 0},
                 {"+7", 7},
                 {"1.5", 0},
                 {"--3", 0},
                 {"", 0},
                 {"2147483648", 0},
                 {"-2147483648", std::numeric_limits<int>::min()}};
    for (const auto& c : cases) {
        host.Type(QString::fromLatin1(c.typed));
        EXPECT_EQ(host.box->Text(), QString::fromLatin1(c.typed));
        EXPECT_EQ(host.box->Value(), c.value) << c.typed;
    }
}

TEST(SpinEdit, ArrowsAndKeysStepByOneWithinTheBounds)
{
    SpinHost host;
    host.box->SetValue(5);
    QTest::mouseClick(host.box, Qt::LeftButton, {}, host.UpArrow());
    EXPECT_EQ(host.box->Text(), u"6"_s);
    QTest::mouseClick(host.box, Qt::LeftButton, {}, host.DownArrow());
    QTest::mouseClick(host.box, Qt::LeftButton, {}, host.DownArrow());
    EXPECT_EQ(host.box->Text(), u"4"_s);
    QTest::keyClick(host.box, Qt::Key_Up);
    EXPECT_EQ(host.box->Text(), u"5"_s);

    // Without bounds the box goes below zero, and stops at the ends of 32 bits.
    host.Type(QStringLiteral("0"));
    QTest::keyClick(host.box, Qt::Key_Down);
    EXPECT_EQ(host.box->Value(), -1);
    host.box->SetValue(std::numeric_limits<std::int32_t>::max());
    QTest::keyClick(host.box, Qt::Key_Up);
    EXPECT_EQ(host.box->Value(), std::numeric_limits<std::int32_t>::max());
    // A lone sign steps from 0.
    host.Type(QStringLiteral("-"));
    QTest::keyClick(host.box, Qt::Key_Up);
    EXPECT_EQ(host.box->Text(), u"1"_s);

    host.box->SetBounds(0, 20);
    host.box->SetValue(-3);
    EXPECT_EQ(host.box->Text(), u"0"_s);
    QTest::keyClick(host.box, Qt::Key_Down);
    EXPECT_EQ(host.box->Text(), u"0"_s);
    host.box->SetValue(150);
    EXPECT_EQ(host.box->Text(), u"20"_s);
    // A typed value beyond the bound steps back into the bounds.
    host.Type(QStringLiteral("25"));
    QTest::mouseClick(host.box, Qt::LeftButton, {}, host.UpArrow());
    EXPECT_EQ(host.box->Text(), u"20"_s);
}

TEST(SpinEdit, BoundsApplyToTypedValuesOnlyWhenTheFocusLeaves)
{
    SpinHost host;
    host.box->SetBounds(0, 20);
    host.Type(QStringLiteral("25"));
    EXPECT_EQ(host.box->Value(), 25);
    host.other->setFocus();
    EXPECT_EQ(host.box->Text(), u"20"_s);

    // Text within the bounds, or not a number at all, is left as typed.
    for (const char* typed : {"007", "-", ""}) {
        host.Type(QString::fromLatin1(typed));
        host.other->setFocus();
        EXPECT_EQ(host.box->Text(), QString::fromLatin1(typed));
    }
    host.Type(QStringLiteral("-5"));
    host.other->setFocus();
    EXPECT_EQ(host.box->Text(), u"0"_s);

    // A box without bounds keeps any value.
    host.box->ClearBounds();
    host.Type(QStringLiteral("-99999"));
    host.other->setFocus();
    EXPECT_EQ(host.box->Value(), -99999);
}

// ---- TsiFlatBtn ------------------------------------------------------------------------------

QImage SolidImage(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

TEST(TsiFlatBtn, NumGlyphsFollowsTheGlyphShape)
{
    TsiFlatBtn button;
    EXPECT_EQ(button.size(), QSize(75, 25));
    const struct
    {
        int width, height, numGlyphs;
    } cases[] = {{64, 16, 4}, {16, 18, 1}, {80, 16, 1}, {32, 16, 2},
                 {48, 16, 3}, {16, 16, 1}, {8, 16, 1}};
    for (const auto& c : cases) {
        button.SetNumGlyphs(2);
        button.SetGlyph(SolidImage(c.width, c.height, Qt::red));
        EXPECT_EQ(button.NumGlyphs(), c.numGlyphs) << c.width << "x" << c.height;
    }
    // An empty glyph leaves the number alone; the number stays within 1 to 4.
    button.SetNumGlyphs(3);
    button.SetGlyph(QImage());
    EXPECT_EQ(button.NumGlyphs(), 3);
    button.SetNumGlyphs(7);
    EXPECT_EQ(button.NumGlyphs(), 4);
    button.SetNumGlyphs(0);
    EXPECT_EQ(button.NumGlyphs(), 1);
}

// A help-style button on a window with a known background.
struct FlatHost
{
    FlatHost()
    {
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, kBackground);
        window.setPalette(palette);
        window.resize(100, 60);
        button->setGeometry(10, 10, 25, 25);
        button->SetElliptic(false);
        button->SetA3DTopCl(RgbColor(255, 255, 255));
        button->SetA3DBotCl(RgbColor(0, 0, 128));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QColor Pixel(int x, int y) const { return button->grab().toImage().pixelColor(x, y); }
    void Enter()
    {
        QEnterEvent enter(QPointF(5, 5), button->mapTo(&window, QPointF(5, 5)),
                          button->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(button, &enter);
    }
    void Leave()
    {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
    }

    static inline const QColor kBackground{200, 190, 180};
    QWidget window;
    TsiFlatBtn* button = new TsiFlatBtn(&window);
};

TEST(TsiFlatBtn, LiesFlatUntilHotAndSinksWhilePressed)
{
    FlatHost host;
    const QColor light(255, 255, 255);
    const QColor dark(0, 0, 128);
    // Flat: only the window's background along the edges.
    EXPECT_EQ(host.Pixel(12, 0), FlatHost::kBackground);
    EXPECT_EQ(host.Pixel(12, 24), FlatHost::kBackground);

    host.Enter();
    EXPECT_TRUE(host.button->IsHot());
    EXPECT_EQ(host.Pixel(12, 0), light); // raised: light above, dark below
    EXPECT_EQ(host.Pixel(12, 24), dark);
    EXPECT_EQ(host.Pixel(1, 12), light);
    EXPECT_EQ(host.Pixel(24, 12), dark);

    QTest::mousePress(host.button, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_TRUE(host.button->IsPressed());
    EXPECT_EQ(host.Pixel(12, 0), dark); // sunken: the colours swap
    EXPECT_EQ(host.Pixel(12, 24), light);

    host.Leave();
    EXPECT_FALSE(host.button->IsHot());
    EXPECT_FALSE(host.button->IsPressed());
    EXPECT_EQ(host.Pixel(12, 0), FlatHost::kBackground);

    // A disabled button ignores the mouse coming over it.
    host.button->setEnabled(false);
    host.Enter();
    EXPECT_FALSE(host.button->IsHot());
    EXPECT_EQ(host.Pixel(12, 0), FlatHost::kBackground);
}

TEST(TsiFlatBtn, ClicksOnlyWhenReleasedOverTheButton)
{
    FlatHost host;
    QSignalSpy clicks(host.button, &TsiFlatBtn::OnClick);

    host.Enter();
    QTest::mouseClick(host.button, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks.count(), 1);
    // The right and bottom edges still count as over the button.
    QTest::mousePress(host.button, Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(25, 25));
    EXPECT_EQ(clicks.count(), 2);

    // Pressed, dragged off and released there: flat again, and no click.
    QTest::mousePress(host.button, Qt::LeftButton, {}, QPoint(12, 12));
    QMouseEvent drag(QEvent::MouseMove, QPointF(60, 12), host.button->mapToGlobal(QPointF(60, 12)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(host.button, &drag);
    EXPECT_FALSE(host.button->IsPressed());
    EXPECT_FALSE(host.button->IsHot());
    EXPECT_EQ(host.Pixel(12, 0), FlatHost::kBackground);
    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_EQ(clicks.count(), 2);

    // A right button press is no click.
    QTest::mouseClick(host.button, Qt::RightButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks.count(), 2);
}

TEST(TsiFlatBtn, DrawsTheGlyphWithoutItsBackgroundColour)
{
    FlatHost host;
    // A 16 x 18 glyph: green key colour with a red block in its middle.
    QImage glyph = SolidImage(16, 18, QColor(128, 128, 0));
    for (int y = 6; y < 12; ++y)
        for (int x = 5; x < 11; ++x)
            glyph.setPixelColor(x, y, Qt::red);
    host.button->SetGlyph(glyph);
    host.button->SetGlyphLayout(glGlyphTop);

    // Glyph on top: centred across (25 / 2 - 16 / 2 = 4), at 25 / 8 = 3 from the top.
    const QImage shown = host.button->grab().toImage();
    EXPECT_EQ(shown.pixelColor(4 + 7, 3 + 8), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(4 + 1, 3 + 1), FlatHost::kBackground);
    EXPECT_EQ(shown.pixelColor(4 + 15, 3 + 17), FlatHost::kBackground);

    // Pressed, the glyph moves two pixels right and down.
    host.Enter();
    QTest::mousePress(host.button, Qt::LeftButton, {}, QPoint(12, 12));
    const QImage pressed = host.button->grab().toImage();
    EXPECT_EQ(pressed.pixelColor(4 + 5 + 2, 3 + 6 + 2), QColor(Qt::red));
    EXPECT_EQ(pressed.pixelColor(4 + 5 + 1, 3 + 6 + 1), FlatHost::kBackground);
    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(12, 12));
}

TEST(TsiFlatBtn, StripImagesFollowTheState)
{
    FlatHost host;
    // Four 10 x 10 images: normal red, disabled gray, hot green, pressed blue; the key colour
    // sits in each image's bottom-left corner only in the first, so fill all four and mark it.
    QImage strip(40, 10, QImage::Format_RGB32);
    const QColor colours[] = {Qt::red, Qt::gray, Qt::green, Qt::blue};
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                strip.setPixelColor(i * 10 + x, y, colours[i]);
    strip.setPixelColor(0, 9, QColor(1, 2, 3)); // the transparent colour
    host.button->SetGlyph(strip);
    ASSERT_EQ(host.button->NumGlyphs(), 4);
    host.button->SetGlyphLayout(glGlyphTop);
    const QPoint centre(25 / 2 - 5 + 5, 25 / 8 + 5);

    EXPECT_EQ(host.Pixel(centre.x(), centre.y()), QColor(Qt::red));
    host.Enter();
    EXPECT_EQ(host.Pixel(centre.x(), centre.y()), QColor(Qt::green));
    QTest::mousePress(host.button, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(host.Pixel(centre.x() + 2, centre.y() + 2), QColor(Qt::blue));
    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(12, 12));
    host.Leave();
    host.button->setEnabled(false);
    EXPECT_EQ(host.Pixel(centre.x(), centre.y()), QColor(Qt::gray));
}

} // namespace
} // namespace qv
