#include "gui/widgets/ColorPopup.h"

#include "gui/widgets/ClassicPainting.h"
#include "gui/widgets/ColorPickerButton.h"
#include "gui/widgets/SystemColors.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScreen>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace qv {

using namespace picker;
using namespace classic;

namespace {

// Width of a classic 3-D edge; the popup draws its own two-pixel edges, so this is exact.
constexpr int kEdgeWidth = 2;
// Hints of the slider and the comb disappear after this time.
constexpr int kCustomHintMsecs = 5000;

QRect ToQRect(const PixelRect& r)
{
    return {r.left, r.top, r.Width(), r.Height()};
}

QPolygon Hexagon(const CombCell& cell, QPoint origin)
{
    QPolygon polygon;
    for (const PixelPoint& corner : HexagonCorners(cell, origin.x(), origin.y()))
        polygon << QPoint(corner.x, corner.y);
    return polygon;
}

// The letter after a single '&' of a text, upper-cased, or 0.
QChar Accelerator(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return {};
}

bool IsAltAccelerator(const QKeyEvent& event, const QString& text)
{
    const QChar letter = Accelerator(text);
    if (letter.isNull() || !(event.modifiers() & Qt::AltModifier))
        return false;
    return event.key() == letter.unicode() || event.text().toUpper() == QString(letter);
}

QString PlainText(const QString& text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TColorPopup

TColorPopup::TColorPopup(TColorPickerButton& owner)
    : QWidget(&owner, Qt::Popup | Qt::FramelessWindowHint), m_owner(owner)
{
    // An outside click only closes the popup; it is not handed on to what lies under it.
    setAttribute(Qt::WA_NoMouseReplay);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    UpdateLayout();
}

TColor TColorPopup::CombColor() const
{
    if (m_combSelection > 0 && static_cast<std::size_t>(m_combSelection) <= m_colorComb.size())
        return m_colorComb[static_cast<std::size_t>(m_combSelection - 1)].color;
    if (m_combSelection < 0 && static_cast<std::size_t>(-m_combSelection) <= m_grayCells.size())
        return m_grayCells[static_cast<std::size_t>(-m_combSelection - 1)].color;
    return 0;
}

TColor TColorPopup::CenterColor() const
{
    const int level = static_cast<int>(std::lround(m_brightness * 255.0));
    return RgbColor(level, level, level);
}

QRect TColorPopup::EntryRect(int entry) const
{
    if (entry == kEntryDefault)
        return m_layout.input.hasDefault ? ToQRect(m_layout.defaultButton) : QRect();
    if (entry == kEntryCustom)
        return m_layout.input.hasCustom ? ToQRect(m_layout.customButton) : QRect();
    if (IsCell(entry, m_layout.input.showSystemColors))
        return ToQRect(m_layout.CellRect(entry));
    return {};
}

const std::vector<CombCell>& TColorPopup::ColorComb()
{
    EnsureCombs();
    return m_colorComb;
}

const std::vector<CombCell>& TColorPopup::GrayCells()
{
    EnsureCombs();
    return m_grayCells;
}

QPoint TColorPopup::ColorCombCellCenter(int index)
{
    const CombCell& cell = ColorComb().at(static_cast<std::size_t>(index));
    return {m_layout.comb.left + static_cast<int>(std::lround(cell.x)),
            m_layout.comb.top + static_cast<int>(std::lround(cell.y))};
}

QPoint TColorPopup::GrayCellCenter(int index)
{
    const CombCell& cell = GrayCells().at(static_cast<std::size_t>(index));
    return {m_layout.grayOrigin.x + static_cast<int>(std::lround(cell.x)),
            m_layout.grayOrigin.y + static_cast<int>(std::lround(cell.y))};
}

void TColorPopup::EnsureCombs()
{
    if (m_colorComb.empty())
        m_colorComb = BuildColorComb(m_layout.combRadius, m_brightness);
    if (m_grayCells.empty())
        m_grayCells = BuildGrayCells(m_layout.combCellSize);
}

void TColorPopup::UpdateLayout()
{
    PopupLayoutInput input;
    input.edge = kEdgeWidth;
    input.spacing = m_owner.PopupSpacing();
    input.hasDefault = !m_owner.DefaultText().isEmpty();
    input.hasCustom = !m_owner.CustomText().isEmpty();
    input.showSystemColors = m_owner.ShowSystemColors();
    if (input.hasDefault || input.hasCustom) {
        const QFontMetrics metrics(font());
        const QString texts[2] = {PlainText(m_owner.DefaultText()),
                                  PlainText(m_owner.CustomText())};
        for (const QString& text : texts) {
            if (text.isEmpty())
                continue;
            input.textWidth = std::max(input.textWidth, metrics.horizontalAdvance(text));
            input.textHeight = std::max(input.textHeight, metrics.height());
        }
    }
    m_layout = ComputePopupLayout(input);

    // Entries that the popup no longer has can be neither hovered nor selected.
    const auto exists = [&](int entry) {
        return entry == kEntryNone || (entry == kEntryDefault && input.hasDefault) ||
               (entry == kEntryCustom && input.hasCustom) || IsCell(entry, input.showSystemColors);
    };
    if (!exists(m_hovered))
        m_hovered = kEntryNone;
    if (!exists(m_selected)) {
        m_selected = kEntryNone;
        m_dragMode = DragMode::None;
    }
    setFixedSize(m_layout.width, CurrentHeight());
    if (isVisible()) {
        Reposition();
        update();
    }
}

int TColorPopup::CurrentHeight() const
{
    return IsExtended() ? m_layout.extendedHeight : m_layout.normalHeight;
}

void TColorPopup::SelectForColor(TColor color)
{
    EnsureCombs();
    OpeningContext context;
    context.showSystemColors = m_layout.input.showSystemColors;
    context.hasDefault = m_layout.input.hasDefault;
    context.hasCustom = m_layout.input.hasCustom;
    context.colorComb = &m_colorComb;
    context.grayCells = &m_grayCells;
    const OpeningSelection selection =
        SelectionForColor(color, context, CurrentSystemColorResolver());
    const bool wasExtended = IsExtended();
    m_selected = selection.entry;
    m_combSelection = selection.combSelection;
    if (wasExtended != IsExtended() && isVisible())
        Reposition();
    update();
}

void TColorPopup::Open()
{
    m_hovered = kEntryNone;
    m_dragMode = DragMode::None;
    m_leftDown = false;
    Reposition();
    show();
    setFocus(Qt::PopupFocusReason);
}

void TColorPopup::Reposition()
{
    const int height = CurrentHeight();
    setFixedSize(m_layout.width, height);
    const QPoint topLeft = m_owner.mapToGlobal(QPoint(0, 0));
    const PixelRect button{topLeft.x(), topLeft.y(), topLeft.x() + m_owner.width(),
                           topLeft.y() + m_owner.height()};
    QScreen* screen = m_owner.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    PixelRect area{0, 0, 1 << 20, 1 << 20};
    if (screen != nullptr) {
        const QRect g = screen->geometry();
        area = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    }
    const PixelPoint at = PlacePopup(button, m_layout.width, height, area);
    move(at.x, at.y);
}

void TColorPopup::SetHovered(int entry)
{
    if (entry == m_hovered)
        return;
    const QRect old = EntryRect(m_hovered);
    m_hovered = entry;
    update(old);
    update(EntryRect(entry));
}

void TColorPopup::SetSelected(int entry)
{
    if (entry == m_selected)
        return;
    const bool wasExtended = IsExtended();
    m_selected = entry;
    if (wasExtended != IsExtended() && isVisible())
        Reposition();
    update();
}

void TColorPopup::SetBrightness(double brightness)
{
    brightness = std::clamp(brightness, 0.0, 1.0);
    if (brightness == m_brightness && !m_colorComb.empty())
        return;
    m_brightness = brightness;
    m_colorComb = BuildColorComb(m_layout.combRadius, m_brightness);
    update();
}

void TColorPopup::TrackCustom(QPoint pos)
{
    if (!IsExtended())
        return;
    EnsureCombs();
    const int x = pos.x();
    const int y = pos.y();
    const PixelRect& slider = m_layout.slider;
    const bool inSliderColumn = x >= slider.left && x < slider.right;
    if (m_dragMode == DragMode::Slider || slider.Contains(x, y)) {
        // Once the slider is held it follows the mouse up and down anywhere; leaving its
        // column sideways leaves everything as it is.
        if (inSliderColumn) {
            m_dragMode = DragMode::Slider;
            SetBrightness(BrightnessAt(slider, y));
        }
        return;
    }
    int selection = 0;
    if (m_dragMode != DragMode::ColorComb && m_layout.grayBand.Contains(x, y)) {
        m_dragMode = DragMode::GrayCells;
        const int cell =
            GrayCellAt(m_grayCells, x - m_layout.grayOrigin.x, y - m_layout.grayOrigin.y);
        selection = cell >= 0 ? CombSelectionOfGrayCell(cell) : 0;
    } else if (m_dragMode != DragMode::GrayCells && m_layout.comb.Contains(x, y)) {
        m_dragMode = DragMode::ColorComb;
        const int cell =
            ColorCombCellAt(m_colorComb, x - m_layout.comb.left, y - m_layout.comb.top);
        selection = cell >= 0 ? CombSelectionOfColorCell(cell) : 0;
    }
    if (selection != m_combSelection) {
        m_combSelection = selection;
        update();
    }
}

void TColorPopup::Accept()
{
    const QPointer<TColorPopup> self(this);
    const int selected = m_selected;
    if (IsCell(selected, m_layout.input.showSystemColors)) {
        m_owner.SetSelectionColor(CellColor(selected));
    } else if (selected == kEntryCustom) {
        if (HasCombColor())
            m_owner.SetSelectionColor(CombColor());
    } else {
        m_owner.RaiseDefaultSelect();
    }
    // A handler may have closed the popup or destroyed the button with it.
    if (self)
        m_owner.SetDroppedDown(false);
}

void TColorPopup::CloseWithoutChange()
{
    m_owner.SetDroppedDown(false);
}

void TColorPopup::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    event->accept();
    if (!rect().contains(pos)) {
        CloseWithoutChange();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_leftDown = true;
    const int entry = m_layout.HitTest(pos.x(), pos.y());
    SetHovered(entry);
    if (entry != kEntryNone)
        update(EntryRect(entry));
    else
        TrackCustom(pos);
    UpdateHint(pos, entry);
}

void TColorPopup::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void TColorPopup::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const bool left = event->buttons().testFlag(Qt::LeftButton);
    const bool inside = rect().contains(pos);
    if (left != m_leftDown) {
        m_leftDown = left;
        update(EntryRect(m_hovered));
    }
    const int entry = inside ? m_layout.HitTest(pos.x(), pos.y()) : kEntryNone;
    SetHovered(entry);
    if (entry == kEntryNone && left && (inside || m_dragMode != DragMode::None))
        TrackCustom(pos);
    UpdateHint(pos, entry);
}

void TColorPopup::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    m_leftDown = false;
    const int entry = rect().contains(pos) ? m_layout.HitTest(pos.x(), pos.y()) : kEntryNone;
    const DragMode drag = m_dragMode;
    m_dragMode = DragMode::None;
    update(EntryRect(m_hovered));
    if (entry == kEntryNone && !(IsExtended() && HasCombColor()))
        return; // a release over nothing keeps the popup open
    if (entry != kEntryNone)
        SetSelected(entry);
    const bool accepted = IsCell(m_selected, m_layout.input.showSystemColors) ||
                          m_selected == kEntryDefault ||
                          (m_selected == kEntryCustom &&
                           (drag == DragMode::ColorComb || drag == DragMode::GrayCells));
    if (accepted)
        Accept();
}

void TColorPopup::keyPressEvent(QKeyEvent* event)
{
    const PopupLayoutInput& in = m_layout.input;
    if (in.hasDefault && IsAltAccelerator(*event, m_owner.DefaultText())) {
        SetSelected(kEntryDefault);
        Accept();
        return;
    }
    if (in.hasCustom && IsAltAccelerator(*event, m_owner.CustomText())) {
        SetSelected(kEntryCustom);
        return;
    }
    const int current = m_hovered != kEntryNone ? m_hovered : m_selected;
    const auto walk = [&](ArrowKey key) {
        SetHovered(NextEntry(current, key, in.hasDefault, in.hasCustom, in.showSystemColors));
    };
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        SetSelected(m_hovered);
        Accept();
        break;
    case Qt::Key_Escape:
        CloseWithoutChange();
        break;
    case Qt::Key_Left:
        walk(ArrowKey::Left);
        break;
    case Qt::Key_Up:
        walk(ArrowKey::Up);
        break;
    case Qt::Key_Right:
        walk(ArrowKey::Right);
        break;
    case Qt::Key_Down:
        walk(ArrowKey::Down);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TColorPopup::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // The focus leaving for another window (or application) closes the popup; focus moving to
    // a popup of our own does not.
    if (isVisible() && event->reason() != Qt::PopupFocusReason && m_owner.DroppedDown())
        CloseWithoutChange();
}

void TColorPopup::closeEvent(QCloseEvent* event)
{
    // Qt closes the popup by itself when the application loses the focus; that is a close
    // without a change, which OnDropChanging may still refuse.
    if (m_owner.DroppedDown())
        m_owner.SetDroppedDown(false);
    if (m_owner.DroppedDown())
        event->ignore();
    else
        event->accept();
}

void TColorPopup::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    QToolTip::hideText();
    m_leftDown = false;
    m_dragMode = DragMode::None;
    m_owner.PopupHidden();
}

void TColorPopup::UpdateHint(QPoint pos, int entry)
{
    if (!m_owner.ShowHint())
        return;
    QString text;
    QRect area;
    QPoint at = mapToGlobal(pos);
    int msecs = -1;
    const PixelRect& slider = m_layout.slider;
    if (IsCell(entry, m_layout.input.showSystemColors)) {
        text = QString::fromStdString(CellName(entry));
        area = EntryRect(entry);
    } else if (entry == kEntryDefault || entry == kEntryCustom) {
        text = m_owner.HintForCell(entry);
        area = EntryRect(entry);
    } else if (IsExtended() &&
               (m_dragMode == DragMode::Slider ||
                (m_dragMode == DragMode::None && slider.Contains(pos.x(), pos.y())))) {
        text = QStringLiteral("Intensity: %1%").arg(std::lround(m_brightness * 100.0));
        at = mapToGlobal(QPoint(slider.right, pos.y() - 8));
        msecs = kCustomHintMsecs;
    } else if (IsExtended()) {
        EnsureCombs();
        int selection = 0;
        if (m_dragMode == DragMode::ColorComb || m_dragMode == DragMode::GrayCells) {
            selection = m_combSelection;
        } else {
            const int gray = m_layout.grayBand.Contains(pos.x(), pos.y())
                                 ? GrayCellAt(m_grayCells, pos.x() - m_layout.grayOrigin.x,
                                              pos.y() - m_layout.grayOrigin.y)
                                 : -1;
            const int color = m_layout.comb.Contains(pos.x(), pos.y())
                                  ? ColorCombCellAt(m_colorComb, pos.x() - m_layout.comb.left,
                                                    pos.y() - m_layout.comb.top)
                                  : -1;
            selection = gray >= 0    ? CombSelectionOfGrayCell(gray)
                        : color >= 0 ? CombSelectionOfColorCell(color)
                                     : 0;
        }
        if (selection != 0) {
            const TColor c = selection > 0
                                 ? m_colorComb[static_cast<std::size_t>(selection - 1)].color
                                 : m_grayCells[static_cast<std::size_t>(-selection - 1)].color;
            text = QStringLiteral("red: %1, green: %2, blue: %3")
                       .arg(RedOf(c))
                       .arg(GreenOf(c))
                       .arg(BlueOf(c));
            msecs = kCustomHintMsecs;
        }
    }
    if (text.isEmpty() && entry == kEntryNone && msecs < 0)
        text = m_owner.HintForCell(kEntryNone);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(at, text, this, area, msecs);
}

void TColorPopup::paintEvent(QPaintEvent*)
{
    // Painted into an image first: the outline of the selected comb cell is an exclusive-or of
    // what lies under it, which the raster engine of a QImage does exactly.
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    {
        QPainter p(&image);
        p.fillRect(rect(), System(kButtonFace));
        RaisedBorder(p, rect());
        const int inset = m_layout.input.edge + m_layout.input.spacing;
        if (m_layout.systemLineY >= 0)
            EtchedLine(p, inset, width() - inset, m_layout.systemLineY);
        if (m_layout.customLineY >= 0)
            EtchedLine(p, inset, width() - inset, m_layout.customLineY);
        if (m_layout.input.hasDefault)
            PaintEntry(p, kEntryDefault);
        for (int i = 0; i <= LastCell(m_layout.input.showSystemColors); ++i)
            PaintEntry(p, i);
        if (m_layout.input.hasCustom)
            PaintEntry(p, kEntryCustom);
        if (IsExtended())
            PaintCustomParts(p);
    }
    QPainter(this).drawImage(0, 0, image);
}

void TColorPopup::PaintEntry(QPainter& p, int entry) const
{
    const QRect r = EntryRect(entry);
    const bool hovered = entry == m_hovered;
    const bool selected = entry == m_selected;
    p.fillRect(r, System(selected && !hovered ? kButtonHighlight : kButtonFace));
    if (selected || (hovered && m_leftDown))
        ThinEdge(p, r, true);
    else if (hovered)
        ThinEdge(p, r, false);

    const int edge = m_layout.input.edge;
    const QColor gray(0x80, 0x80, 0x80);
    if (entry >= 0) {
        OutlinedRect(p, r.adjusted(edge + 1, edge + 1, -(edge + 1), -(edge + 1)), gray,
                     ToQColor(CellColor(entry)));
        return;
    }
    p.setPen(System(kButtonText));
    p.setFont(font());
    const QString& text = entry == kEntryDefault ? m_owner.DefaultText() : m_owner.CustomText();
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text);
    if (entry == kEntryDefault) {
        Frame(p, r.adjusted(edge, edge, -edge, -edge), System(kButtonShadow),
              System(kButtonShadow));
        return;
    }
    const QRect preview = ToQRect(m_layout.preview);
    if (IsExtended() && HasCombColor())
        OutlinedRect(p, preview, gray, ToQColor(CombColor()));
    else
        Frame(p, preview, System(kButtonShadow), System(kButtonShadow));
}

void TColorPopup::PaintCombCell(QPainter& p, const CombCell& cell, QPoint origin) const
{
    p.setPen(Qt::NoPen);
    p.setBrush(ToQColor(cell.color));
    p.drawPolygon(Hexagon(cell, origin));
}

void TColorPopup::PaintCustomParts(QPainter& p)
{
    EnsureCombs();
    const QPoint combOrigin(m_layout.comb.left, m_layout.comb.top);
    const QPoint grayOrigin(m_layout.grayOrigin.x, m_layout.grayOrigin.y);
    for (const CombCell& cell : m_colorComb)
        PaintCombCell(p, cell, combOrigin);
    for (const CombCell& cell : m_grayCells)
        PaintCombCell(p, cell, grayOrigin);

    // The slider: a gradient from white to black, and a triangle pointing at the brightness.
    const PixelRect& slider = m_layout.slider;
    for (int t = 0; t < slider.Height(); ++t) {
        const int level = SliderGrayAt(slider, t);
        HLine(p, slider.left, slider.left + 9, slider.top + t, QColor(level, level, level));
    }
    const int tipX = slider.left + 11;
    const int tipY = slider.top + SliderMarkerOffset(slider, m_brightness);
    for (int dy = -4; dy <= 4; ++dy)
        HLine(p, tipX + std::abs(dy), tipX + 4, tipY + dy, Qt::black);

    if (HasCombColor()) {
        const bool gray = m_combSelection < 0;
        const CombCell& cell = gray ? m_grayCells[static_cast<std::size_t>(-m_combSelection - 1)]
                                    : m_colorComb[static_cast<std::size_t>(m_combSelection - 1)];
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(Hexagon(cell, gray ? grayOrigin : combOrigin));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

} // namespace qv
