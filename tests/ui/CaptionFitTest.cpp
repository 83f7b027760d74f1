// Every caption of the fixed layouts, measured with the font it is drawn in, fits the room its
// control gives it and covers no other control: the three pages of the main window, the note of
// Get Code and the code window.

#include "app/QuorvaneForm.h"
#include "codegen/QuorvaneCopyForm.h"
#include "widgets/Shape.h"

#include "UiTestSupport.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string_view>

namespace qv {
namespace {

constexpr int kTextFlags = Qt::TextShowMnemonic;

// A caption as it is drawn: its text, where the text lands and the room that the control gives
// it (both in the control's coordinates), and what of the control is painted.
struct Caption
{
    QString text;
    QRect drawn;
    QRect room;
    QRect painted;
};

QStyleOptionButton ButtonOption(const QAbstractButton& button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    return option;
}

// The text of a button-like control, centred (push buttons) or left-aligned (check boxes and
// radio buttons) in the contents rectangle that the style draws it in.
Caption ButtonCaption(const QAbstractButton& button, QStyle::SubElement contents,
                      Qt::Alignment alignment)
{
    const QStyleOptionButton option = ButtonOption(button);
    Caption caption;
    caption.text = button.text();
    caption.room = button.style()->subElementRect(contents, &option, &button);
    const QSize size = QFontMetrics(button.font()).size(kTextFlags, caption.text);
    caption.drawn = QStyle::alignedRect(button.layoutDirection(), alignment, size, caption.room);
    caption.painted = button.rect();
    return caption;
}

std::optional<Caption> CaptionOf(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        if (label->text().isEmpty())
            return std::nullopt;
        Caption caption;
        caption.text = label->text();
        caption.room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                      -label->margin(), -label->margin());
        const int flags =
            int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0) | kTextFlags;
        caption.drawn = QFontMetrics(label->font()).boundingRect(caption.room, flags, caption.text);
        caption.painted = caption.drawn;
        return caption;
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(&widget)) {
        Caption caption =
            ButtonCaption(*box, QStyle::SE_CheckBoxContents, Qt::AlignLeft | Qt::AlignVCenter);
        const QStyleOptionButton option = ButtonOption(*box);
        caption.painted = caption.drawn |
                          box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        return caption;
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(&widget)) {
        Caption caption =
            ButtonCaption(*radio, QStyle::SE_RadioButtonContents, Qt::AlignLeft | Qt::AlignVCenter);
        const QStyleOptionButton option = ButtonOption(*radio);
        caption.painted = caption.drawn | radio->style()->subElementRect(
                                              QStyle::SE_RadioButtonIndicator, &option, radio);
        return caption;
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&widget)) {
        if (button->text().isEmpty())
            return std::nullopt;
        return ButtonCaption(*button, QStyle::SE_PushButtonContents, Qt::AlignCenter);
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        option.textAlignment = group->alignment();
        Caption caption;
        caption.text = group->title();
        caption.room = group->rect();
        caption.drawn = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                       QStyle::SC_GroupBoxLabel, group);
        caption.painted = group->rect();
        return caption;
    }
    return std::nullopt;
}

// What of a control covers what lies under it: a caption's text (and a check box's box), the
// whole control for everything else. The colour sample's shapes lie under their captions by
// design.
std::optional<QRect> PaintedArea(const QWidget& widget)
{
    if (qobject_cast<const TShape*>(&widget) != nullptr)
        return std::nullopt;
    if (const std::optional<Caption> caption = CaptionOf(widget);
        caption && qobject_cast<const QGroupBox*>(&widget) == nullptr &&
        qobject_cast<const QPushButton*>(&widget) == nullptr)
        return caption->painted.translated(widget.pos());
    return widget.geometry();
}

// Every visible caption below `root` that leaves its room or covers a neighbour, one a line.
std::string CaptionProblems(const QWidget& root)
{
    QStringList problems;
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&root))
            continue;
        const std::optional<Caption> caption = CaptionOf(*widget);
        if (!caption)
            continue;
        const QString name = widget->objectName() + QStringLiteral(" \"") + caption->text +
                             QStringLiteral("\" (") + QFontInfo(widget->font()).family() +
                             QStringLiteral(")");
        if (!caption->room.contains(caption->drawn))
            problems << QStringLiteral("%1 needs %2x%3 px, has %4x%5")
                            .arg(name)
                            .arg(caption->drawn.width())
                            .arg(caption->drawn.height())
                            .arg(caption->room.width())
                            .arg(caption->room.height());
        // Group box titles lie on the frame around the group's own controls.
        if (qobject_cast<const QGroupBox*>(widget) != nullptr)
            continue;
        const QRect text = caption->drawn.translated(widget->pos());
        for (const QObject* object : widget->parentWidget()->children()) {
            const auto* other = qobject_cast<const QWidget*>(object);
            if (other == nullptr || other == widget || !other->isVisibleTo(&root))
                continue;
            if (const std::optional<QRect> area = PaintedArea(*other);
                area && area->intersects(text))
                problems << name + QStringLiteral(" runs into ") + other->objectName();
        }
    }
    return problems.join(QLatin1Char('\n')).toStdString();
}

class CaptionFit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_window = std::make_unique<TfrmQuorvane>(m_dir.path());
        m_window->show();
    }

    QTemporaryDir m_dir;
    test::FakeDialogs m_dialogs;
    test::FakeShell m_shell;
    std::unique_ptr<TfrmQuorvane> m_window;
};

TEST_F(CaptionFit, EveryCaptionOfTheThreePagesFitsItsControl)
{
    auto* pages = test::Child<QTabWidget>(*m_window, "PageControl1");
    ASSERT_NE(pages, nullptr);
    int captions = 0;
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        for (const QWidget* widget : m_window->findChildren<QWidget*>())
            captions += widget->isVisibleTo(m_window.get()) && CaptionOf(*widget).has_value();
        EXPECT_EQ(CaptionProblems(*m_window), "") << "page " << page;
    }
    // The colour page alone has 14 labels, 2 groups and a button; all three pages are measured.
    EXPECT_GT(captions, 60);
}

TEST_F(CaptionFit, TheNoteAndTheCodeWindowFitTheirCaptions)
{
    std::string notes;
    int measured = 0;
    const auto measure = [&](QDialog& dialog) {
        dialog.show();
        for (const QWidget* widget : dialog.findChildren<QWidget*>())
            measured += widget->isVisibleTo(&dialog) && CaptionOf(*widget).has_value();
        notes += CaptionProblems(dialog);
        dialog.hide();
        return int(QDialog::Rejected);
    };
    m_dialogs.execActions.push_back(measure);
    m_dialogs.execActions.push_back(measure);
    m_window->btnOkClick();
    ASSERT_EQ(m_dialogs.execs, QStringList({"frmPromptChoice", "FrmQuorvaneCopy"}));
    EXPECT_EQ(notes, "");
    // The note's text, check box and OK button; the code window's two buttons.
    EXPECT_EQ(measured, 5);
}

// The check itself finds what the issue saw with wide fonts: a clipped label and a button whose
// caption runs past both its ends and onto the label beside it.
TEST_F(CaptionFit, TheCheckFindsClippedAndOverlappingCaptions)
{
    QWidget page;
    page.setFont(m_window->font());
    page.resize(300, 100);
    auto* label = new QLabel(QStringLiteral("MouseOver Background Color:"), &page);
    label->setObjectName(QStringLiteral("lblWide"));
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->setGeometry(8, 4, 40, 13);
    auto* button = new QPushButton(QStringLiteral(">> Copy Main >>"), &page);
    button->setObjectName(QStringLiteral("btnNarrow"));
    button->setGeometry(8, 20, 30, 21);
    auto* neighbour = new QLabel(QStringLiteral("Border Color:"), &page);
    neighbour->setObjectName(QStringLiteral("lblNeighbour"));
    neighbour->setGeometry(40, 24, 100, 13);
    const std::string problems = CaptionProblems(page);
    // One line per finding: the control, its caption and font, then what is wrong.
    const auto found = [&](const std::string& control, const std::string& what) {
        std::size_t line = 0;
        while (line < problems.size()) {
            const std::size_t end = std::min(problems.find('\n', line), problems.size());
            const std::string_view text(problems.data() + line, end - line);
            if (text.starts_with(control + " ") && text.find(what) != std::string_view::npos)
                return true;
            line = end + 1;
        }
        return false;
    };
    EXPECT_TRUE(found("lblWide", ") needs ")) << problems;
    EXPECT_TRUE(found("btnNarrow", ") needs ")) << problems;
    EXPECT_TRUE(found("btnNarrow", ") runs into lblNeighbour")) << problems;
    EXPECT_FALSE(found("lblNeighbour", "")) << problems;

    // Given room, the same captions pass.
    label->setGeometry(8, 4, 200, 13);
    button->setGeometry(8, 40, 150, 25);
    neighbour->setGeometry(8, 70, 100, 13);
    EXPECT_EQ(CaptionProblems(page), "");
}

} // namespace
} // namespace qv
