#include "gui/app/QuorvaneForm.h"
#include "gui/widgets/ColorPickerButton.h"
#include "gui/widgets/Shape.h"
#include "gui/widgets/SpinEdit.h"
#include "gui/widgets/SystemColors.h"

#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

using picker::kFirstSystemEntry;

constexpr std::array<const char*, 10> kRows = {"MainBG",     "MainMOBG", "MainFont", "MainFontMO",
                                               "MainBorder", "SubBG",    "SubMOBG",  "SubFont",
                                               "SubFontMO",  "SubBorder"};

// A desktop whose button face is a colour none of the tests uses otherwise.
TColor TestDesktop(int n)
{
    return n == kButtonFace ? RgbColor(0xD4, 0xD0, 0xC8) : RgbColor(1, 2, 3 * n);
}

QColor Q(TColor color)
{
    return ToQColor(color);
}

// Ten colours far apart from each other, in row order.
MenuStyle DistinctColors()
{
    MenuStyle style;
    style.MainBG = RgbColor(10, 20, 200);
    style.MainMOBG = RgbColor(200, 30, 30);
    style.MainFont = RgbColor(255, 255, 0);
    style.MainFontMO = RgbColor(0, 255, 0);
    style.MainBorder = RgbColor(255, 0, 255);
    style.SubBG = RgbColor(30, 120, 30);
    style.SubMOBG = RgbColor(60, 60, 60);
    style.SubFont = RgbColor(255, 255, 255);
    style.SubFontMO = RgbColor(0, 255, 255);
    style.SubBorder = RgbColor(255, 128, 0);
    return style;
}

class ColorPage : public test::WindowTest
{
protected:
    void SetUp() override
    {
        SetSystemColorResolver(TestDesktop);
        ASSERT_NO_FATAL_FAILURE(WindowTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(OpenWindow(true));
        ShowPage(1);
        m_page = Get<QWidget>("tsColors");
    }

    void TearDown() override
    {
        for (std::size_t row = 0; row < kRows.size(); ++row)
            m_window->Picker(row).SetDroppedDown(false);
        m_window.reset();
        SetSystemColorResolver(nullptr);
    }

    QLineEdit* Box(std::size_t row) const
    {
        return Get<QLineEdit>(u"txt"_s + QLatin1String(kRows[row]));
    }
    TColor Color(std::size_t row) const { return m_window->Picker(row).SelectionColor(); }
    QStringList BoxTexts() const
    {
        QStringList texts;
        for (std::size_t row = 0; row < kRows.size(); ++row)
            texts.append(Box(row)->text());
        return texts;
    }

    // Opens a picker's palette with the mouse on its arrow part and clicks one of its entries;
    // the events go through the window system, as the user's do.
    void ChooseInPalette(std::size_t row, int entry)
    {
        TColorPickerButton& button = m_window->Picker(row);
        QWindow* window = m_window->windowHandle();
        const QPoint arrow = button.mapTo(m_window.get(), QPoint(38, 11));
        QTest::mousePress(window, Qt::LeftButton, {}, arrow);
        QTest::mouseRelease(window, Qt::LeftButton, {}, arrow);
        ASSERT_TRUE(button.DroppedDown());
        TColorPopup* popup = button.Popup();
        const QPoint at = popup->EntryRect(entry).center();
        QTest::mouseMove(popup->windowHandle(), at);
        QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {}, at);
        ASSERT_FALSE(button.DroppedDown());
    }

    QImage Page() const { return m_page->grab().toImage(); }
    static int Distance(const QColor& a, const QColor& b)
    {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue());
    }
    // The colour of a caption drawn on `fill` within the given rectangle of the page: of its
    // smoothed pixels, the one that stands out most from the fill.
    static QColor Ink(const QImage& image, const QRect& rect, TColor fill)
    {
        QColor ink = Q(fill);
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (Distance(image.pixelColor(x, y), Q(fill)) > Distance(ink, Q(fill)))
                    ink = image.pixelColor(x, y);
        return ink;
    }

    QWidget* m_page = nullptr;
};

TEST_F(ColorPage, LaidOutAsTwoGroupsOfFiveRowsWithTheSampleBelow)
{
    auto* main = Get<QGroupBox>("grpMainColors");
    auto* sub = Get<QGroupBox>("grpSubColors");
    EXPECT_EQ(main->title(), u"Main Menu Colors "_s);
    EXPECT_EQ(sub->title(), u"Sub Menu Colors"_s);
    EXPECT_EQ(main->geometry(), QRect(8, 8, 304, 193));
    EXPECT_EQ(sub->geometry(), QRect(320, 8, 304, 193));

    const char* captions[] = {"Background Color:", "MouseOver Background Color:", "Font Color:",
                              "MouseOver Font Color:", "Border Color:"};
    const int tops[] = {40, 68, 96, 124, 152};
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        const QString name = QLatin1String(kRows[row]);
        QGroupBox* group = row < 5 ? main : sub;
        auto* label = Get<QLabel>(u"lbl"_s + name);
        auto* picker = Get<TColorPickerButton>(u"cpb"_s + name);
        QLineEdit* box = Box(row);
        EXPECT_EQ(picker, &m_window->Picker(row));
        EXPECT_EQ(label->parentWidget(), group);
        EXPECT_EQ(picker->parentWidget(), group);
        EXPECT_EQ(box->parentWidget(), group);
        EXPECT_EQ(label->text(), QLatin1String(captions[row % 5]));
        EXPECT_EQ(label->geometry().topLeft(), QPoint(8, tops[row % 5] + 4));
        EXPECT_EQ(label->width(), 160);
        EXPECT_TRUE(label->alignment() & Qt::AlignRight);
        EXPECT_EQ(picker->geometry(), QRect(176, tops[row % 5], 45, 22));
        EXPECT_EQ(box->geometry(), QRect(228, tops[row % 5], 65, 21));
        EXPECT_EQ(box->maxLength(), 6);
        EXPECT_EQ(picker->CustomText(), u"Custom Color"_s);
        EXPECT_EQ(picker->PopupSpacing(), 8);
        EXPECT_TRUE(picker->ShowSystemColors());
        EXPECT_TRUE(picker->DefaultText().isEmpty());
        EXPECT_FALSE(picker->ShowHint());
        EXPECT_EQ(picker->focusPolicy(), Qt::NoFocus);
    }
    for (const char* name : {"lblMainHex", "lblSubHex"}) {
        EXPECT_EQ(Get<QLabel>(name)->text(), u"Hex"_s);
        EXPECT_EQ(Get<QLabel>(name)->pos(), QPoint(232, 20));
    }
    auto* copy = Get<QPushButton>("btnCopyMain");
    EXPECT_EQ(copy->text(), u">> Copy Main >>"_s);
    EXPECT_EQ(copy->parentWidget(), sub);
    EXPECT_EQ(copy->geometry(), QRect(8, 164, 93, 21));
    // The button lies over the wide label of the last row and must still take the click.
    EXPECT_EQ(sub->childAt(QPoint(90, 166)), copy);

    EXPECT_EQ(Get<QLabel>("lblColorSample")->text(), u"Menu Color Sample:"_s);
    EXPECT_EQ(Get<QLabel>("lblColorSample")->pos(), QPoint(8, 212));
    const QPoint corners[] = {{8, 232}, {8, 252}, {8, 272}, {140, 256}, {140, 276}};
    const char* items[] = {"Home", "Links", "Contact", "Products", "Support"};
    for (int i = 0; i < 5; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        auto* shape = Get<TShape>(QByteArray("Shape" + n).constData());
        auto* caption = Get<QLabel>(QByteArray("lblSample" + n).constData());
        EXPECT_EQ(shape->geometry(), QRect(corners[i], QSize(145, 21)));
        EXPECT_EQ(caption->pos(), corners[i] + QPoint(8, 4));
        EXPECT_EQ(caption->text(), QLatin1String(items[i]));
        EXPECT_FALSE(caption->autoFillBackground());
    }

    // Tab order: the main boxes top to bottom, then the copy button and the sub boxes bottom up.
    const QStringList expected = {u"txtMainBG"_s,     u"txtMainMOBG"_s,   u"txtMainFont"_s,
                                  u"txtMainFontMO"_s, u"txtMainBorder"_s, u"btnCopyMain"_s,
                                  u"txtSubBorder"_s,  u"txtSubFontMO"_s,  u"txtSubFont"_s,
                                  u"txtSubMOBG"_s,    u"txtSubBG"_s};
    QStringList chain;
    QWidget* start = Get<QTabWidget>("PageControl1")->tabBar();
    for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain())
        if (w->parentWidget() == main || w->parentWidget() == sub)
            if (w->focusPolicy() & Qt::TabFocus)
                chain.append(w->objectName());
    EXPECT_EQ(chain, expected);
}

TEST_F(ColorPage, StartsWithTheStartUpColoursInTheBoxesAndTheDefaultLookBeforeTheFirstRefresh)
{
    EXPECT_EQ(BoxTexts(),
              QStringList({u"0080FF"_s, u"009CE8"_s, u"FFFFFF"_s, u"0000FF"_s, u"000000"_s,
                           u"0080FF"_s, u"009CE8"_s, u"FFFFFF"_s, u"0000FF"_s, u"000000"_s}));
    EXPECT_EQ(m_window->GetMenuStyle(), MenuStyle{});

    // A window whose colour page has not been shown yet draws the sample white on black.
    TfrmQuorvane fresh(m_dir.path());
    const QImage image = test::Child<QWidget>(fresh, "tsColors")->grab().toImage();
    EXPECT_EQ(image.pixelColor(108, 242), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(8, 242), QColor(Qt::black));
}

TEST_F(ColorPage, TypingInABoxSetsOnlyItsPickerAndLeavesTheTextAndTheSampleAlone)
{
    QSignalSpy refreshed(m_window.get(), &TfrmQuorvane::ColorSampleRefreshed);
    QLineEdit* box = Box(0);
    TypeInto(box, u"ff"_s);
    EXPECT_EQ(Color(0), RgbColor(0, 0, 255));
    EXPECT_EQ(box->text(), u"ff"_s);
    EXPECT_FALSE(m_window->FHexChanging());
    EXPECT_EQ(refreshed.count(), 0);
    EXPECT_EQ(Page().pixelColor(108, 242), Q(RgbColor(0, 0x80, 0xFF))) << "the sample waits";

    TypeInto(box, u"12G"_s);
    EXPECT_EQ(Color(0), 0u);
    EXPECT_EQ(box->text(), u"12G"_s);
    TypeInto(box, u"a"_s);
    EXPECT_EQ(Color(0), RgbColor(0, 0, 0x0A));
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(Color(0), 0u) << "an empty box gives black";
    EXPECT_EQ(box->text(), u""_s);
    TypeInto(box, u"1234567"_s);
    EXPECT_EQ(box->text(), u"123456"_s);
    EXPECT_EQ(Color(0), RgbColor(0x12, 0x34, 0x56));

    // Another box in lower case and short; nothing else has moved.
    TypeInto(Box(7), u"abc"_s);
    EXPECT_EQ(Color(7), RgbColor(0, 0x0A, 0xBC));
    EXPECT_EQ(BoxTexts(),
              QStringList({u"123456"_s, u"009CE8"_s, u"FFFFFF"_s, u"0000FF"_s, u"000000"_s,
                           u"0080FF"_s, u"009CE8"_s, u"abc"_s, u"0000FF"_s, u"000000"_s}));

    // Entering the page again repaints the sample; the boxes keep their texts.
    ShowPage(0);
    ShowPage(1);
    EXPECT_EQ(refreshed.count(), 1);
    EXPECT_EQ(Page().pixelColor(108, 242), Q(RgbColor(0x12, 0x34, 0x56)));
    EXPECT_EQ(Box(7)->text(), u"abc"_s);
}

TEST_F(ColorPage, APickerChangeRewritesEveryBoxAndSystemColoursBecomeTheirRgb)
{
    TypeInto(Box(2), u"abc"_s);
    TypeInto(Box(0), u"0080ff"_s); // the same colour in lower case: the picker does not change
    ChooseInPalette(8, 16);        // Red for the sub mouse-over font
    EXPECT_EQ(Color(8), RgbColor(255, 0, 0));
    EXPECT_EQ(BoxTexts(),
              QStringList({u"0080FF"_s, u"009CE8"_s, u"000ABC"_s, u"0000FF"_s, u"000000"_s,
                           u"0080FF"_s, u"009CE8"_s, u"FFFFFF"_s, u"FF0000"_s, u"000000"_s}));
    const QImage red = Page();
    EXPECT_EQ(red.pixelColor(250, 290), Q(RgbColor(0, 0x9C, 0xE8)));
    EXPECT_LT(Distance(Ink(red, QRect(148, 280, 120, 13), RgbColor(0, 0x9C, 0xE8)), Qt::red), 90)
        << "Support's caption";

    // "system color: button face": the picker ends up holding the colour's present RGB value.
    const TColor face = TestDesktop(kButtonFace);
    ChooseInPalette(0, kFirstSystemEntry + kButtonFace);
    EXPECT_EQ(Color(0), face);
    EXPECT_EQ(Box(0)->text(), u"D4D0C8"_s);
    EXPECT_EQ(Page().pixelColor(108, 242), Q(face));

    // When the box already shows that text, the reference stays, and paints as its colour.
    ChooseInPalette(5, 16);
    TypeInto(Box(5), u"D4D0C8"_s);
    EXPECT_EQ(Color(5), face);
    ChooseInPalette(5, kFirstSystemEntry + kButtonFace);
    EXPECT_EQ(Color(5), SystemColorRef(kButtonFace));
    EXPECT_EQ(m_window->GetMenuStyle().SubBG, SystemColorRef(kButtonFace));
    EXPECT_EQ(Box(5)->text(), u"D4D0C8"_s);
    EXPECT_EQ(Page().pixelColor(250, 268), Q(face));
}

TEST_F(ColorPage, CopyMainGivesTheSubMenusTheMainColoursOrOnlyRepaints)
{
    MenuStyle style = DistinctColors();
    m_window->SetMenuStyle(style);
    Click("btnCopyMain");
    for (std::size_t row = 0; row < 5; ++row) {
        EXPECT_EQ(Color(row + 5), Color(row)) << kRows[row];
        EXPECT_EQ(Box(row + 5)->text(), Box(row)->text()) << kRows[row];
    }
    const QImage copied = Page();
    EXPECT_EQ(copied.pixelColor(250, 268), Q(style.MainBG));
    EXPECT_EQ(copied.pixelColor(250, 290), Q(style.MainMOBG));
    EXPECT_EQ(copied.pixelColor(250, 296), Q(style.MainBorder));

    // All equal: no picker changes and no box is rewritten, but the sample is repainted.
    TypeInto(Box(1), u"c81e1e"_s); // MainMOBG in lower case
    std::vector<std::unique_ptr<QSignalSpy>> changes;
    for (std::size_t row = 0; row < kRows.size(); ++row)
        changes.push_back(
            std::make_unique<QSignalSpy>(&m_window->Picker(row), &TColorPickerButton::OnChange));
    QSignalSpy refreshed(m_window.get(), &TfrmQuorvane::ColorSampleRefreshed);
    Click("btnCopyMain");
    EXPECT_EQ(refreshed.count(), 1);
    for (const auto& spy : changes)
        EXPECT_EQ(spy->count(), 0);
    EXPECT_EQ(Box(1)->text(), u"c81e1e"_s);
}

TEST_F(ColorPage, TheContrastReadOutFollowsTypedPickedCopiedAndOpenedColours)
{
    auto* caption = Get<QLabel>("lblContrast");
    EXPECT_EQ(caption->text(), u"Text Contrast:"_s);
    EXPECT_EQ(caption->pos(), QPoint(320, 212));
    const auto lines = [this] {
        QStringList texts;
        for (const char* name : {"lblContrast1", "lblContrast2", "lblContrast3", "lblContrast4"})
            texts.append(Get<QLabel>(name)->text());
        return texts;
    };
    const auto marked = [this](const char* name) {
        auto* line = Get<QLabel>(name);
        return line->palette().color(QPalette::WindowText) !=
               Get<QLabel>("lblContrast")->palette().color(QPalette::WindowText);
    };
    EXPECT_EQ(
        lines(),
        QStringList({u"Main: 3.79:1, below 4.5:1"_s, u"Main mouse-over: 2.83:1, below 4.5:1"_s,
                     u"Sub: 3.79:1, below 4.5:1"_s, u"Sub mouse-over: 2.83:1, below 4.5:1"_s}));
    EXPECT_TRUE(marked("lblContrast1"));

    // A typed colour counts at once, though the sample waits for the next refresh.
    TypeInto(Box(0), u"000000"_s);
    EXPECT_EQ(lines().at(0), u"Main: 21.00:1"_s);
    EXPECT_FALSE(marked("lblContrast1"));
    ChooseInPalette(8, 16); // Red for the sub mouse-over font, on 009CE8
    EXPECT_EQ(lines().at(3), u"Sub mouse-over: 1.31:1, below 4.5:1"_s);
    // A system colour is read as the desktop paints it now.
    ChooseInPalette(5, kFirstSystemEntry + kButtonFace);
    EXPECT_EQ(lines().at(2), u"Sub: 1.53:1, below 4.5:1"_s);
    Click("btnCopyMain");
    EXPECT_EQ(lines().at(2), u"Sub: 21.00:1"_s);
    EXPECT_FALSE(marked("lblContrast3"));

    m_window->SetMenuStyle(DistinctColors()); // FFFF00 on 0A14C8
    EXPECT_EQ(lines().at(0), u"Main: 10.04:1"_s);
}

TEST_F(ColorPage, OpeningAProjectShowsItsColoursInBoxesAndSampleAtOnce)
{
    const MenuStyle style = DistinctColors();
    m_window->SetMenuStyle(style);
    EXPECT_EQ(BoxTexts(),
              QStringList({u"0A14C8"_s, u"C81E1E"_s, u"FFFF00"_s, u"00FF00"_s, u"FF00FF"_s,
                           u"1E781E"_s, u"3C3C3C"_s, u"FFFFFF"_s, u"00FFFF"_s, u"FF8000"_s}));
    EXPECT_EQ(m_window->GetMenuStyle(), style);

    const QImage image = Page();
    struct Probe
    {
        QPoint at;
        TColor color;
    };
    const Probe probes[] = {
        {{108, 242}, style.MainBG},   {{8, 242}, style.MainBorder},   // Home
        {{108, 262}, style.MainMOBG}, {{100, 252}, style.MainBorder}, // Links
        {{100, 285}, style.MainBG},   {{100, 292}, style.MainBorder}, // Contact
        {{146, 262}, style.SubBG},    {{140, 262}, style.SubBorder},  // Products, over Links
        {{250, 290}, style.SubMOBG},  {{284, 290}, style.SubBorder},  // Support
        {{145, 289}, style.SubMOBG},  {{152, 250}, style.MainBorder}, // over Contact; Home
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(image.pixelColor(probe.at), Q(probe.color))
            << probe.at.x() << "," << probe.at.y();

    // Each caption in its state's font colour, not in the other state's.
    struct Caption
    {
        int item;
        TColor fill;
        TColor color;
        TColor other;
    };
    const Caption captions[] = {{1, style.MainBG, style.MainFont, style.MainFontMO},
                                {2, style.MainMOBG, style.MainFontMO, style.MainFont},
                                {3, style.MainBG, style.MainFont, style.MainFontMO},
                                {4, style.SubBG, style.SubFont, style.SubFontMO},
                                {5, style.SubMOBG, style.SubFontMO, style.SubFont}};
    for (const Caption& caption : captions) {
        const QByteArray name = "lblSample" + QByteArray::number(caption.item);
        const QColor ink = Ink(image, Get<QLabel>(name.constData())->geometry(), caption.fill);
        EXPECT_LT(Distance(ink, Q(caption.color)), 90) << name.constData();
        EXPECT_LT(Distance(ink, Q(caption.color)), Distance(ink, Q(caption.other)))
            << name.constData();
    }
}

TEST_F(ColorPage, FontButtonFillsTheFontSettingsFromTheDialog)
{
    ShowPage(2);
    QFont arial(QStringLiteral("Arial"), 12);
    arial.setBold(true);
    arial.setItalic(true);
    m_dialogs.fontAnswers = {arial, QFont(QStringLiteral("Verdana"), 9), std::nullopt,
                             QFont(QStringLiteral("Arial [Monotype]"), 150)};

    Click("btnBrowseFont");
    ASSERT_EQ(m_dialogs.fontRequests.size(), 1u);
    const QFont& first = m_dialogs.fontRequests[0];
    EXPECT_EQ(first.family(), u"Tahoma"_s);
    EXPECT_EQ(first.pointSize(), 8);
    EXPECT_FALSE(first.bold());
    EXPECT_FALSE(first.italic());
    EXPECT_EQ(Get<QLineEdit>("txtFontName")->text(), u"Arial"_s);
    EXPECT_EQ(Get<SpinEdit>("spinFontSize")->Text(), u"12"_s);
    EXPECT_TRUE(Get<QCheckBox>("chkBold")->isChecked());
    EXPECT_TRUE(Get<QCheckBox>("chkItalic")->isChecked());

    // The settings are not what the dialog opens on: it shows the last choice.
    m_window->SetMenuStyle(MenuStyle{});
    Click("btnBrowseFont");
    EXPECT_EQ(m_dialogs.fontRequests[1], arial);
    EXPECT_EQ(Get<QLineEdit>("txtFontName")->text(), u"Verdana"_s);
    EXPECT_EQ(Get<SpinEdit>("spinFontSize")->Text(), u"9"_s);
    EXPECT_FALSE(Get<QCheckBox>("chkBold")->isChecked());
    EXPECT_FALSE(Get<QCheckBox>("chkItalic")->isChecked());

    // Cancel changes nothing, neither the settings nor what the dialog opens on next.
    Get<QCheckBox>("chkBold")->setChecked(true);
    Click("btnBrowseFont");
    const MenuStyle kept = m_window->GetMenuStyle();
    EXPECT_EQ(kept.MenuFont, "Verdana");
    EXPECT_EQ(kept.FontSize, 9);
    EXPECT_TRUE(kept.FontBold);

    // A family told apart by its foundry is written by its name alone; the size box keeps its
    // bounds.
    Click("btnBrowseFont");
    EXPECT_EQ(m_dialogs.fontRequests[3].family(), u"Verdana"_s);
    EXPECT_EQ(Get<QLineEdit>("txtFontName")->text(), u"Arial"_s);
    EXPECT_EQ(m_window->GetMenuStyle().FontSize, 100);

    // The desktop's aliases for its default fonts, which no browser knows, become the generic
    // CSS families; real families that merely look alike stay as chosen.
    const std::vector<std::pair<QString, QString>> families = {
        {u"Sans Serif"_s, u"sans-serif"_s},     {u"Serif"_s, u"serif"_s},
        {u"Monospace"_s, u"monospace"_s},       {u"sans"_s, u"sans-serif"_s},
        {u"DejaVu Serif"_s, u"DejaVu Serif"_s}, {u"Open Sans"_s, u"Open Sans"_s},
    };
    for (const auto& [family, written] : families) {
        m_dialogs.fontAnswers.push_back(QFont(family, 10));
        Click("btnBrowseFont");
        EXPECT_EQ(Get<QLineEdit>("txtFontName")->text(), written) << family.toStdString();
    }
}

// Where the start-up font is not installed, the real dialog opens on what the desktop puts in
// its place; OK writes a name a web page knows.
TEST(FontDialog, OkOnTheFirstFontGivesANameForTheWeb)
{
    QTemporaryDir dir;
    TfrmQuorvane window(dir.path());
    window.show();
    QString shown;
    QTimer::singleShot(0, [&shown] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFontDialog*>(top); dialog && dialog->isVisible()) {
                shown = dialog->currentFont().family();
                dialog->accept();
            }
    });
    QTest::mouseClick(test::Child<QPushButton>(window, "btnBrowseFont"), Qt::LeftButton);
    ASSERT_FALSE(shown.isEmpty()) << "the dialog was shown";
    const QString written = test::Child<QLineEdit>(window, "txtFontName")->text();
    EXPECT_EQ(written.toStdString(), WebFontFamily(shown.toStdString()));
    for (const char* alias : {"Sans Serif", "Serif", "Monospace"})
        EXPECT_NE(written, QLatin1String(alias));
}

// The platform's dialog itself: scalable fonts only, and no effects to choose.
TEST(FontDialog, OffersNoEffectsAndReportsCancel)
{
    QtDialogs dialogs;
    bool checked = false;
    const auto inspect = [&](bool accept) {
        QTimer::singleShot(0, [&checked, accept] {
            QFontDialog* dialog = nullptr;
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* font = qobject_cast<QFontDialog*>(window); font && font->isVisible())
                    dialog = font;
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(dialog->testOption(QFontDialog::ScalableFonts));
            for (const QCheckBox* box : dialog->findChildren<QCheckBox*>())
                EXPECT_FALSE(box->isVisibleTo(dialog)) << box->text().toStdString();
            checked = true;
            accept ? dialog->accept() : dialog->reject();
        });
    };
    inspect(true);
    const std::optional<QFont> chosen = dialogs.ChooseFont(nullptr, QFont(u"DejaVu Sans"_s, 11));
    EXPECT_TRUE(checked);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->pointSize(), 11);

    checked = false;
    inspect(false);
    EXPECT_FALSE(dialogs.ChooseFont(nullptr, QFont(u"DejaVu Sans"_s, 11)).has_value());
    EXPECT_TRUE(checked);
}

} // namespace
} // namespace qv
