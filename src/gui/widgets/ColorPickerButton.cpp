#include "gui/widgets/ColorPickerButton.h"

#include "gui/widgets/ClassicPainting.h"
#include "gui/widgets/ColorPopup.h"
#include "gui/widgets/SystemColors.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace qv {

using namespace picker;
using namespace classic;

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
