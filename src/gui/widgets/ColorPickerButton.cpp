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
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace qv {

using namespace picker;

namespace {

// Width of a classic 3-D edge; the popup draws its own two-pixel edges, so this is exact.
constexpr int kEdgeWidth = 2;
// Hints of the slider and the comb disappear after this time.
constexpr int kCustomHintMsecs = 5000;

QColor System(int index)
{
    return ToQColor(SystemColorRef(index));
}

QRect ToQRect(const PixelRect& r)
{
    return {r.left, r.top, r.Width(), r.Height()};
}

void HLine(QPainter& p, int x0, int x1, int y, const QColor& color)
{
    if (x1 >= x0)
        p.fillRect(x0, y, x1 - x0 + 1, 1, color);
}

void VLine(QPainter& p, int x, int y0, int y1, const QColor& color)
{
    if (y1 >= y0)
        p.fillRect(x, y0, 1, y1 - y0 + 1, color);
}

// A one-pixel frame with its own colours for the top-left and the bottom-right sides.
void Frame(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    HLine(p, r.left(), r.right(), r.top(), topLeft);
    VLine(p, r.left(), r.top(), r.bottom(), topLeft);
    HLine(p, r.left(), r.right(), r.bottom(), bottomRight);
    VLine(p, r.right(), r.top(), r.bottom(), bottomRight);
}

void ThinEdge(QPainter& p, const QRect& r, bool sunken)
{
    const QColor highlight = System(kButtonHighlight);
    const QColor shadow = System(kButtonShadow);
    if (sunken)
        Frame(p, r, shadow, highlight);
    else
        Frame(p, r, highlight, shadow);
}

void RaisedBorder(QPainter& p, const QRect& r)
{
    Frame(p, r, System(k3DLight), System(k3DDarkShadow));
    Frame(p, r.adjusted(1, 1, -1, -1), System(kButtonHighlight), System(kButtonShadow));
}

// A horizontal etched line: the shadow on top, the highlight under it.
void EtchedLine(QPainter& p, int x0, int x1, int y)
{
    HLine(p, x0, x1 - 1, y, System(kButtonShadow));
    HLine(p, x0, x1 - 1, y + 1, System(kButtonHighlight));
}

// A rectangle with a one-pixel outline, filled inside it.
void OutlinedRect(QPainter& p, const QRect& r, const QColor& outline, const QColor& fill)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(r, fill);
    Frame(p, r, outline, outline);
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

// ---------------------------------------------------------------------------------------------
// TColorPickerButton

TColorPickerButton::TColorPickerButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    resize(sizeHint());
    m_popup = new TColorPopup(*this);
}

TColorPickerButton::~TColorPickerButton()
{
    // The popup goes first, while the button is still whole, and without raising events.
    m_droppedDown = false;
    delete m_popup;
    m_popup = nullptr;
}

void TColorPickerButton::SetSelectionColor(TColor color)
{
    if (color == m_selectionColor)
        return;
    m_selectionColor = color;
    update();
    if (m_droppedDown && m_popup != nullptr)
        m_popup->SelectForColor(color);
    emit OnChange();
}

void TColorPickerButton::PopupLayoutChanged()
{
    if (m_popup != nullptr)
        m_popup->UpdateLayout();
}

void TColorPickerButton::SetCustomText(const QString& text)
{
    if (text == m_customText)
        return;
    m_customText = text;
    PopupLayoutChanged();
}

void TColorPickerButton::SetDefaultText(const QString& text)
{
    if (text == m_defaultText)
        return;
    m_defaultText = text;
    PopupLayoutChanged();
}

void TColorPickerButton::SetShowSystemColors(bool show)
{
    if (show == m_showSystemColors)
        return;
    m_showSystemColors = show;
    PopupLayoutChanged();
}

void TColorPickerButton::SetPopupSpacing(int spacing)
{
    spacing = std::max(0, spacing);
    if (spacing == m_popupSpacing)
        return;
    m_popupSpacing = spacing;
    PopupLayoutChanged();
}

void TColorPickerButton::SetDropDownWidth(int width)
{
    width = std::max(0, width);
    if (width == m_dropDownWidth)
        return;
    m_dropDownWidth = width;
    update();
}

void TColorPickerButton::SetDropDownArrowColor(TColor color)
{
    if (color == m_dropDownArrowColor)
        return;
    m_dropDownArrowColor = color;
    update();
}

void TColorPickerButton::SetIndicatorBorder(TIndicatorBorder border)
{
    if (border == m_indicatorBorder)
        return;
    m_indicatorBorder = border;
    update();
}

void TColorPickerButton::SetFlat(bool flat)
{
    if (flat == m_flat)
        return;
    m_flat = flat;
    update();
}

void TColorPickerButton::SetTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    update();
}

std::vector<TColorPickerButton*> TColorPickerButton::GroupMembers() const
{
    std::vector<TColorPickerButton*> members;
    if (m_groupIndex == 0 || parentWidget() == nullptr)
        return members;
    for (auto* sibling :
         parentWidget()->findChildren<TColorPickerButton*>(Qt::FindDirectChildrenOnly)) {
        if (sibling != this && sibling->m_groupIndex == m_groupIndex)
            members.push_back(sibling);
    }
    return members;
}

void TColorPickerButton::PopUpOthersInGroup()
{
    for (TColorPickerButton* other : GroupMembers()) {
        if (m_down && other->m_down) {
            other->m_down = false;
            other->update();
        }
        other->m_allowAllUp = m_allowAllUp;
    }
}

void TColorPickerButton::SetGroupIndex(int index)
{
    if (index == m_groupIndex)
        return;
    m_groupIndex = index;
    if (m_groupIndex == 0 && m_down) {
        m_down = false;
        update();
    }
    PopUpOthersInGroup();
}

void TColorPickerButton::SetDown(bool down)
{
    // Only a button of a group stays down; the one down in a group without AllowAllUp is
    // released only by pressing another.
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return;
    m_down = down;
    update();
    if (m_down)
        PopUpOthersInGroup();
}

void TColorPickerButton::SetAllowAllUp(bool allow)
{
    if (allow == m_allowAllUp)
        return;
    m_allowAllUp = allow;
    PopUpOthersInGroup();
}

void TColorPickerButton::SetShowHint(bool show)
{
    m_showHint = show;
}

void TColorPickerButton::SetDroppedDown(bool dropped)
{
    if (dropped == m_droppedDown || m_popup == nullptr)
        return;
    bool allowed = true;
    if (m_onDropChanging)
        m_onDropChanging(allowed);
    if (!allowed || dropped == m_droppedDown)
        return;
    const QPointer<TColorPickerButton> self(this);
    m_droppedDown = dropped;
    if (dropped) {
        m_popup->UpdateLayout();
        m_popup->SelectForColor(m_selectionColor);
        m_popup->Open();
    } else {
        m_pressOnArrow = false;
        m_popup->hide();
    }
    if (!self)
        return;
    update();
    emit OnDropChanged();
}

void TColorPickerButton::PopupHidden()
{
    // Hidden by something other than the button itself (its window closing, say).
    if (!m_droppedDown)
        return;
    m_droppedDown = false;
    m_pressOnArrow = false;
    update();
    emit OnDropChanged();
}

QString TColorPickerButton::HintForCell(int cell) const
{
    QString hint;
    if (m_onHint)
        m_onHint(cell, hint);
    if (hint.isEmpty() && (cell == kEntryDefault || cell == kEntryCustom))
        hint = toolTip();
    return hint;
}

bool TColorPickerButton::SwatchPressed() const
{
    return (m_tracking && m_trackingInside) || m_down;
}

QRect TColorPickerButton::SwatchRect() const
{
    // Inside the button's frame, left of the divider before the arrow part.
    QRect r(4, 4, width() - m_dropDownWidth - 1 - 3 - 4, height() - 8);
    if (SwatchPressed())
        r.translate(1, 1);
    return r;
}

QPoint TColorPickerButton::ArrowOrigin() const
{
    QPoint at(width() - m_dropDownWidth + (m_dropDownWidth + 5) / 2 - 6, height() / 2);
    if (SwatchPressed() || m_droppedDown)
        at += QPoint(1, 1);
    return at;
}

bool TColorPickerButton::event(QEvent* event)
{
    // The button's own hint shows only with ShowHint on.
    if (event->type() == QEvent::ToolTip && !m_showHint) {
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void TColorPickerButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool pressed = SwatchPressed();
    const bool edges = !m_flat || m_mouseInside || pressed || m_droppedDown;
    const int divider = width() - m_dropDownWidth - 1;
    if (!m_transparent)
        p.fillRect(rect(), System(kButtonFace));

    if (edges) {
        if (m_flat) {
            ThinEdge(p, rect(), pressed);
        } else {
            QStyleOptionButton option;
            option.initFrom(this);
            option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
            style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p, this);
        }
        if (m_droppedDown) {
            // The arrow part alone looks pressed, a button of its own inside the whole one.
            const QRect arrowPart(divider, 0, width() - divider, height());
            if (m_flat) {
                ThinEdge(p, arrowPart, true);
            } else {
                QStyleOptionButton option;
                option.initFrom(this);
                option.rect = arrowPart;
                option.state |= QStyle::State_Sunken;
                style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p, this);
            }
        } else {
            const int shift = pressed ? 1 : 0;
            VLine(p, divider + shift, 1 + shift, height() - 2 - shift, System(kButtonShadow));
            VLine(p, divider + 1 + shift, 1 + shift, height() - 2 - shift,
                  System(kButtonHighlight));
        }
    }

    const QRect swatch = SwatchRect();
    const QColor color = ToQColor(m_selectionColor);
    switch (m_indicatorBorder) {
    case ibNone:
        p.fillRect(swatch, color);
        break;
    case ibFlat:
        OutlinedRect(p, swatch, System(kButtonShadow), color);
        break;
    case ibSunken:
    case ibRaised:
        p.fillRect(swatch.adjusted(1, 1, -1, -1), color);
        ThinEdge(p, swatch, m_indicatorBorder == ibSunken);
        break;
    }

    const QPoint arrow = ArrowOrigin();
    const QColor arrowColor = isEnabled() ? ToQColor(m_dropDownArrowColor) : System(kButtonShadow);
    for (int row = 0; row < 4; ++row)
        HLine(p, arrow.x() + row, arrow.x() + 6 - row, arrow.y() + row, arrowColor);
}

void TColorPickerButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (event->position().x() > width() - m_dropDownWidth) {
        m_pressOnArrow = true;
        if (!m_droppedDown)
            SetDroppedDown(true);
        return;
    }
    m_pressOnArrow = false;
    m_tracking = true;
    m_trackingInside = true;
    update();
}

void TColorPickerButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_tracking) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != m_trackingInside) {
        m_trackingInside = inside;
        update();
    }
}

void TColorPickerButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressOnArrow = false;
    if (!m_tracking)
        return;
    m_tracking = false;
    m_trackingInside = false;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && m_groupIndex != 0)
        SetDown(!m_down);
    update();
    if (inside)
        emit OnClick();
}

void TColorPickerButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton && !m_pressOnArrow)
        emit OnDblClick();
}

void TColorPickerButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_mouseInside = true;
    if (m_flat)
        update();
}

void TColorPickerButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_mouseInside = false;
    if (m_flat)
        update();
}

void TColorPickerButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_tracking = false;
            SetDroppedDown(false);
        }
        update();
    }
}

} // namespace qv
