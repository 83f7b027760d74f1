#pragma once

#include "core/model/Colors.h"
#include "gui/widgets/ColorPopup.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace qv {

enum TIndicatorBorder { ibNone, ibFlat, ibSunken, ibRaised };

// A push button that shows the selected colour as a swatch, with a drop-down arrow part at its
// right end that opens the palette popup. Choosing a colour there stores it and raises OnChange.
//
// OnDropChanging and OnHint hand a value back to the button, so they are callbacks rather than
// signals: OnDropChanging(allowed) may clear `allowed` to refuse opening or closing; OnHint(cell,
// hint) may fill the hint for the Default (-3) and Custom (-2) entries and for the empty parts
// of the popup (-1).
class TColorPickerButton final : public QWidget
{
    Q_OBJECT

public:
    using DropChangingHandler = std::function<void(bool& allowed)>;
    using HintHandler = std::function<void(int cell, QString& hint)>;

    explicit TColorPickerButton(QWidget* parent = nullptr);
    ~TColorPickerButton() override;

    QSize sizeHint() const override { return {45, 22}; }

    TColor SelectionColor() const { return m_selectionColor; }
    void SetSelectionColor(TColor color);

    QString CustomText() const { return m_customText; }
    void SetCustomText(const QString& text);
    QString DefaultText() const { return m_defaultText; }
    void SetDefaultText(const QString& text);
    bool ShowSystemColors() const { return m_showSystemColors; }
    void SetShowSystemColors(bool show);
    int PopupSpacing() const { return m_popupSpacing; }
    void SetPopupSpacing(int spacing);

    int DropDownWidth() const { return m_dropDownWidth; }
    void SetDropDownWidth(int width);
    TColor DropDownArrowColor() const { return m_dropDownArrowColor; }
    void SetDropDownArrowColor(TColor color);
    TIndicatorBorder IndicatorBorder() const { return m_indicatorBorder; }
    void SetIndicatorBorder(TIndicatorBorder border);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);

    // Speed-button groups: buttons with the same parent and the same non-zero GroupIndex hold
    // at most one of them Down; AllowAllUp lets the down one be released.
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int index);
    bool Down() const { return m_down; }
    void SetDown(bool down);
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool allow);

    // Hints of the button and its popup; off by default. The button's own hint is toolTip().
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);

    bool DroppedDown() const { return m_droppedDown; }
    void SetDroppedDown(bool dropped);

    void SetOnDropChanging(DropChangingHandler handler) { m_onDropChanging = std::move(handler); }
    void SetOnHint(HintHandler handler) { m_onHint = std::move(handler); }

    TColorPopup* Popup() const { return m_popup; }
    // The swatch and the arrow triangle's top left corner, as painted now.
    QRect SwatchRect() const;
    QPoint ArrowOrigin() const;
    bool SwatchPressed() const;

    // The hint for an entry of the popup without a name of its own (-3, -2, -1).
    QString HintForCell(int cell) const;
    void RaiseDefaultSelect() { emit OnDefaultSelect(); }
    void PopupHidden();

signals:
    void OnChange();
    void OnClick();
    void OnDblClick();
    void OnDefaultSelect();
    void OnDropChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PopupLayoutChanged();
    std::vector<TColorPickerButton*> GroupMembers() const;
    void PopUpOthersInGroup();

    TColor m_selectionColor = 0;
    QString m_customText;
    QString m_defaultText;
    bool m_showSystemColors = false;
    int m_popupSpacing = 8;
    int m_dropDownWidth = 15;
    TColor m_dropDownArrowColor = 0;
    TIndicatorBorder m_indicatorBorder = ibFlat;
    bool m_flat = false;
    bool m_transparent = true;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    bool m_showHint = false;

    bool m_droppedDown = false;
    bool m_pressOnArrow = false; // the current press began on the arrow part
    bool m_tracking = false;     // a press on the swatch part is in progress
    bool m_trackingInside = false;
    bool m_mouseInside = false; // for the flat look

    DropChangingHandler m_onDropChanging;
    HintHandler m_onHint;
    TColorPopup* m_popup = nullptr;
};

} // namespace qv
