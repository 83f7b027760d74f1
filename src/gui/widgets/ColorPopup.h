#pragma once

#include "core/model/ColorPickerLayout.h"
#include "core/model/Colors.h"

#include <QWidget>

#include <vector>

namespace qv {

class TColorPickerButton;

// The drop-down palette of a colour picker button: 40 named colours, optionally the 25 system
// colours, a Default and a Custom entry, and in its extended form (Custom selected) a colour
// comb, a row of gray cells and a brightness slider. A Qt::Popup window, so Qt grabs the mouse
// and keyboard while it is open and hands it clicks outside it; it is owned by its button.
class TColorPopup final : public QWidget
{
    Q_OBJECT

public:
    explicit TColorPopup(TColorPickerButton& owner);

    enum class DragMode { None, ColorComb, GrayCells, Slider };

    int HoveredEntry() const { return m_hovered; }
    int SelectedEntry() const { return m_selected; }
    // 0 none, +k colour comb cell k-1, -(k+1) gray cell k.
    int CombSelection() const { return m_combSelection; }
    // The colour of the selected comb or gray cell, if one is selected.
    bool HasCombColor() const { return m_combSelection != 0; }
    TColor CombColor() const;
    double Brightness() const { return m_brightness; }
    // White times the brightness: the colour of the comb's centre cell.
    TColor CenterColor() const;
    DragMode Dragging() const { return m_dragMode; }
    bool IsExtended() const { return m_selected == picker::kEntryCustom; }

    const picker::PopupLayout& Layout() const { return m_layout; }
    // Rectangle of a cell, the Default or the Custom entry in popup coordinates (empty for
    // an entry the popup does not have).
    QRect EntryRect(int entry) const;
    // Centres of comb and gray cells in popup coordinates (the lists are built on first use).
    const std::vector<picker::CombCell>& ColorComb();
    const std::vector<picker::CombCell>& GrayCells();
    QPoint ColorCombCellCenter(int index);
    QPoint GrayCellCenter(int index);

    // Used by the button.
    void UpdateLayout();
    void SelectForColor(TColor color);
    void Open();
    void Reposition();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void EnsureCombs();
    void SetHovered(int entry);
    void SetSelected(int entry);
    void SetBrightness(double brightness);
    void TrackCustom(QPoint pos);
    void Accept();
    void CloseWithoutChange();
    void UpdateHint(QPoint pos, int entry);
    int CurrentHeight() const;
    void PaintEntry(class QPainter& painter, int entry) const;
    void PaintCustomParts(QPainter& painter);
    void PaintCombCell(QPainter& painter, const picker::CombCell& cell, QPoint origin) const;

    TColorPickerButton& m_owner;
    picker::PopupLayout m_layout;
    int m_hovered = picker::kEntryNone;
    int m_selected = picker::kEntryNone;
    int m_combSelection = 0;
    DragMode m_dragMode = DragMode::None;
    bool m_leftDown = false;
    double m_brightness = 1.0;
    std::vector<picker::CombCell> m_colorComb;
    std::vector<picker::CombCell> m_grayCells;
};

} // namespace qv
