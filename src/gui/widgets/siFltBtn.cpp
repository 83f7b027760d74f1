#include "gui/widgets/siFltBtn.h"

#include "gui/widgets/SystemColors.h"

#include <QEnterEvent>
#include <QEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcutEvent>

#include <algorithm>

namespace qv {

namespace {

// Outlines are given as left, top, right, bottom with the right and bottom edges excluded, so
// that a rectangle over the whole button is (0, 0, W, H) and the pixels it draws are the
// button's outermost ones.
void Outline(QPainter& painter, bool elliptic, int corner, int left, int top, int right, int bottom)
{
    const QRect r(left, top, right - left - 1, bottom - top - 1);
    if (elliptic)
        painter.drawRoundedRect(r, corner / 2.0, corner / 2.0);
    else
        painter.drawRect(r);
}

} // namespace

TsiFlatBtn::TsiFlatBtn(QWidget* parent)
    : QWidget(parent), m_frameColor(SystemColorRef(kButtonShadow)),
      m_topColor(SystemColorRef(kButtonHighlight)), m_bottomColor(SystemColorRef(kButtonShadow))
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, true);
    resize(sizeHint());
}

TsiFlatBtn::~TsiFlatBtn() = default;

void TsiFlatBtn::SetGlyph(const QImage& glyph)
{
    m_glyph = glyph;
    m_transparentGlyph = {};
    if (!glyph.isNull()) {
        // The colour of the bottom-left pixel marks the parts of the glyph that are not drawn.
        m_transparentGlyph = glyph.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = m_transparentGlyph.pixel(0, m_transparentGlyph.height() - 1);
        for (int y = 0; y < m_transparentGlyph.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(m_transparentGlyph.scanLine(y));
            for (int x = 0; x < m_transparentGlyph.width(); ++x)
                if (line[x] == key)
                    line[x] = qRgba(0, 0, 0, 0);
        }
    }
    if (glyph.height() > 0) {
        const int w = glyph.width();
        const int h = glyph.height();
        const bool strip = w >= h && w % h == 0 && w / h <= 4;
        m_numGlyphs = strip ? w / h : 1;
    }
    update();
}

void TsiFlatBtn::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    if (m_shortcutId != 0)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(caption);
    if (!mnemonic.isEmpty())
        m_shortcutId = grabShortcut(mnemonic);
    update();
}

void TsiFlatBtn::SetDrawFrame(bool drawFrame)
{
    if (drawFrame != m_drawFrame) {
        m_drawFrame = drawFrame;
        update();
    }
}

void TsiFlatBtn::SetFrameColor(TColor color)
{
    if (color != m_frameColor) {
        m_frameColor = color;
        update();
    }
}

void TsiFlatBtn::SetNumGlyphs(int numGlyphs)
{
    numGlyphs = std::clamp(numGlyphs, 1, 4);
    if (numGlyphs != m_numGlyphs) {
        m_numGlyphs = numGlyphs;
        update();
    }
}

void TsiFlatBtn::SetGlyphLayout(TGlyphLayout layout)
{
    if (layout != m_glyphLayout) {
        m_glyphLayout = layout;
        update();
    }
}

void TsiFlatBtn::SetButtonOrientation(TButtonOrientation orientation)
{
    if (orientation != m_orientation) {
        m_orientation = orientation;
        update();
    }
}

void TsiFlatBtn::SetA3DTopCl(TColor color)
{
    if (color != m_topColor) {
        m_topColor = color;
        update();
    }
}

void TsiFlatBtn::SetA3DBotCl(TColor color)
{
    if (color != m_bottomColor) {
        m_bottomColor = color;
        update();
    }
}

void TsiFlatBtn::SetElliptic(bool elliptic)
{
    if (elliptic != m_elliptic) {
        m_elliptic = elliptic;
        update();
    }
}

QImage TsiFlatBtn::CurrentImage() const
{
    if (m_transparentGlyph.isNull())
        return {};
    if (m_numGlyphs <= 1)
        return m_transparentGlyph;
    // Images in strip order: normal, disabled, hot, pressed. A state whose image the strip lacks
    // shows the normal one.
    int image = 0;
    if (!isEnabled())
        image = 1;
    else if (m_hot && m_pressed && m_numGlyphs == 4)
        image = 3;
    else if (m_hot && !m_pressed && m_numGlyphs >= 3)
        image = 2;
    const int w = m_transparentGlyph.width() / m_numGlyphs;
    return m_transparentGlyph.copy(image * w, 0, w, m_transparentGlyph.height());
}

void TsiFlatBtn::paintEvent(QPaintEvent* /*event*/)
{
    // Qt paints into the window's back buffer and shows the result in one step, so the button
    // never flickers between its background and its frame.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const int w = width();
    const int h = height();
    const int corner = m_orientation == boHorizontal ? h : w;
    const QImage image = CurrentImage();
    const int iw = image.width();
    const int ih = image.height();

    const QWidget* owner = parentWidget() ? parentWidget() : this;
    painter.fillRect(rect(), owner->palette().color(owner->backgroundRole()));

    const bool pressedLook = isEnabled() && m_pressed;
    const bool hotLook = isEnabled() && !m_pressed && m_hot;
    const int shift = pressedLook ? 2 : 0;

    // Where the glyph and the caption go.
    QPoint glyphAt;
    QRect textRect(0, 0, w, h);
    int textFlags = Qt::AlignCenter;
    const int textWidth =
        m_caption.isEmpty() ? 0 : fontMetrics().size(Qt::TextShowMnemonic, m_caption).width();
    switch (m_glyphLayout) {
    case glGlyphLeft:
        glyphAt = {w / 8, h / 2 - ih / 2};
        textRect = QRect(QPoint(corner / 4 + 5, 0), QPoint(w - 1, h - 1));
        if (textWidth > w - iw - w / 8 - 2) {
            textRect = QRect(QPoint(iw + w / 8 + 2, 0), QPoint(w - 1, h - 1));
            textFlags = Qt::AlignLeft | Qt::AlignVCenter;
        }
        break;
    case glGlyphRight:
        glyphAt = {w - w / 4, h / 2 - ih / 2};
        textRect = QRect(QPoint(0, 0), QPoint(w + corner / 4 - w / 4 - 1, h - 1));
        if (textWidth > glyphAt.x() - 2) {
            textRect = QRect(QPoint(0, 0), QPoint(glyphAt.x() - 3, h - 1));
            textFlags = Qt::AlignRight | Qt::AlignVCenter;
        }
        break;
    case glGlyphTop:
        glyphAt = {w / 2 - iw / 2, h / 8};
        break;
    case glGlyphBottom:
        glyphAt = {w / 2 - iw / 2, h - h / 4};
        break;
    }
    textRect.adjust(shift, shift, 0, 0);

    // The caption; a disabled button shows it embossed.
    if (!m_caption.isEmpty()) {
        const int flags = textFlags | Qt::TextSingleLine | Qt::TextShowMnemonic;
        if (!isEnabled()) {
            painter.setPen(ToQColor(SystemColorRef(kButtonHighlight)));
            painter.drawText(textRect.translated(1, 1), flags, m_caption);
            painter.setPen(ToQColor(SystemColorRef(kButtonShadow)));
        } else {
            painter.setPen(palette().color(QPalette::WindowText));
        }
        painter.drawText(textRect, flags, m_caption);
    }

    painter.setBrush(Qt::NoBrush);
    const int x0 = m_elliptic ? 0 : 1; // plain rectangles leave the first column alone
    if (hotLook || pressedLook) {
        // Light outline over the button, dark one a pixel right and down, and the button face
        // one pixel inside on the right and bottom: a raised edge, or a sunken one with the two
        // colours swapped.
        const TColor light = pressedLook ? m_bottomColor : m_topColor;
        const TColor dark = pressedLook ? m_topColor : m_bottomColor;
        painter.setPen(ToQColor(light));
        Outline(painter, m_elliptic, corner, x0, 0, w - 1, h - 1);
        painter.setPen(ToQColor(dark));
        Outline(painter, m_elliptic, corner, x0 + 1, 1, w, h);
        painter.setPen(ToQColor(SystemColorRef(kButtonFace)));
        Outline(painter, m_elliptic, corner, x0 + 1, 1, w - 1, h - 1);
    } else if (m_drawFrame) {
        painter.setPen(ToQColor(m_frameColor));
        if (m_elliptic)
            Outline(painter, true, corner, 0, 0, w, h);
        else
            Outline(painter, false, corner, 2, 0, w, h);
    }

    if (!image.isNull())
        painter.drawImage(glyphAt + QPoint(shift, shift), image);
}

bool TsiFlatBtn::ContainsWithEdges(QPoint pos) const
{
    return pos.x() >= 0 && pos.y() >= 0 && pos.x() <= width() && pos.y() <= height();
}

void TsiFlatBtn::MouseEntered()
{
    if (!isEnabled())
        return;
    m_hot = true;
    m_pressed = false;
    update();
}

void TsiFlatBtn::MouseLeft()
{
    if (!isEnabled())
        return;
    m_hot = false;
    m_pressed = false;
    update();
}

void TsiFlatBtn::enterEvent(QEnterEvent* event)
{
    MouseEntered();
    QWidget::enterEvent(event);
}

void TsiFlatBtn::leaveEvent(QEvent* event)
{
    MouseLeft();
    QWidget::leaveEvent(event);
}

void TsiFlatBtn::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_hot = true;
        m_clickArmed = true;
        update();
    }
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TsiFlatBtn::mouseMoveEvent(QMouseEvent* event)
{
    // While the left button is held the button keeps the mouse, so crossing its border is
    // noticed here as well as by the enter and leave events.
    if (event->buttons() & Qt::LeftButton) {
        const bool inside = rect().contains(event->position().toPoint());
        if (!inside && m_hot)
            MouseLeft();
        else if (inside && !m_hot)
            MouseEntered();
    }
    emit OnMouseMove(event->modifiers(), event->position().toPoint());
}

void TsiFlatBtn::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_pressed = false;
        const bool click = m_clickArmed && ContainsWithEdges(pos);
        m_clickArmed = false;
        update();
        emit OnMouseUp(event->button(), event->modifiers(), pos);
        if (click)
            emit OnClick();
        return;
    }
    emit OnMouseUp(event->button(), event->modifiers(), pos);
}

void TsiFlatBtn::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click shows the pressed look but ends in no second click.
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_hot = true;
        m_clickArmed = false;
        update();
        emit OnDblClick();
    }
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

bool TsiFlatBtn::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (shortcut->shortcutId() == m_shortcutId && isEnabled()) {
            emit OnClick();
            return true;
        }
    }
    return QWidget::event(event);
}

void TsiFlatBtn::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_hot = false;
            m_pressed = false;
            m_clickArmed = false;
        }
        update();
    }
    QWidget::changeEvent(event);
}

} // namespace qv
