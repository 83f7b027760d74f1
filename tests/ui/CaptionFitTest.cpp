// Every caption of the fixed layouts, measured with the font it is drawn in, fits the room its
// control gives it and covers no other control: the three pages of the main window, the note of
// Get Code and the code window.

#include "gui/app/QuorvaneForm.h"
#include "gui/dialogs/QuorvaneCopyForm.h"
#include "gui/widgets/Shape.h"

#include "UiTestSupport.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string_view>

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// A caption as it is drawn, in its control's coordinates: the rectangle its text takes, the
// room the control gives the text, and what of the control covers its neighbours.
struct Caption
{
    QString text;
    QRect drawn;
    QRect room;
    QRect painted;
};

std::optional<Caption> CaptionOf(const QWidget& widget)
{
    Caption caption;
    const QFontMetrics metrics(widget.font());
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        caption.text = label->text();
        const int margin = label->margin();
        caption.room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
        const int flags = int(label->alignment()) | Qt::TextShowMnemonic |
                          (label->wordWrap() ? Qt::TextWordWrap : 0);
        caption.drawn = metrics.boundingRect(caption.room, flags, caption.text);
        caption.painted = caption.drawn;
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        // The text goes into the contents rectangle that the style gives it: centred on a push
        // button, left of it beside the box of a check box or radio button.
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = caption.text = button->text();
        const bool push = qobject_cast<const QPushButton*>(button) != nullptr;
        const bool check = qobject_cast<const QCheckBox*>(button) != nullptr;
        if (!push && !check && qobject_cast<const QRadioButton*>(button) == nullptr)
            return std::nullopt;
        const auto element = push    ? QStyle::SE_PushButtonContents
                             : check ? QStyle::SE_CheckBoxContents
                                     : QStyle::SE_RadioButtonContents;
        caption.room = button->style()->subElementRect(element, &option, button);
        caption.drawn = QStyle::alignedRect(
            button->layoutDirection(), push ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter,
            metrics.size(Qt::TextShowMnemonic, caption.text), caption.room);
        const auto indicator =
            check ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator;
        caption.painted =
            push ? button->rect()
                 : caption.drawn | button->style()->subElementRect(indicator, &option, button);
    }
    if (caption.text.isEmpty())
        return std::nullopt;
    return caption;
}

// Every visible caption below `root` that leaves its room or runs into a neighbour (what of the
// neighbour is painted: its caption, or the whole control), one a line. The colour sample's
// shapes lie under their captions by design.
std::string CaptionProblems(const QWidget& root)
{
    QStringList problems;
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        const std::optional<Caption> caption = CaptionOf(*widget);
        if (!caption || !widget->isVisibleTo(&root))
            continue;
        const QString name =
            QStringLiteral("%1 \"%2\" (%3)")
                .arg(widget->objectName(), caption->text, QFontInfo(widget->font()).family());
        if (!caption->room.contains(caption->drawn))
            problems << QStringLiteral("%1 needs %2x%3 px, has %4x%5")
                            .arg(name)
                            .arg(caption->drawn.width())
                            .arg(caption->drawn.height())
                            .arg(caption->room.width())
                            .arg(caption->room.height());
        const QRect text = caption->drawn.translated(widget->pos());
        for (const QWidget* other : widget->parentWidget()->findChildren<QWidget*>(
                 QString(), Qt::FindDirectChildrenOnly)) {
            if (other == widget || !other->isVisibleTo(&root) ||
                qobject_cast<const TShape*>(other) != nullptr)
                continue;
            const std::optional<Caption> its = CaptionOf(*other);
            const QRect painted = its ? its->painted.translated(other->pos()) : other->geometry();
            if (painted.intersects(text))
                problems << name + QStringLiteral(" runs into ") + other->objectName();
        }
    }
    return problems.join(QLatin1Char('\n')).toStdString();
}

class CaptionFit : public test::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WindowTest::SetUp());
        OpenWindow();
    }
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
    ASSERT_EQ(m_dialogs.execs, QStringList({u"frmPromptChoice"_s, u"FrmQuorvaneCopy"_s}));
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
