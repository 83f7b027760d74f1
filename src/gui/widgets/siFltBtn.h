#pragma once

#include "core/model/Colors.h"

#include <QImage>
#include <QString>
#include <QWidget>

namespace qv {

enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
enum TButtonOrientation { boHorizontal, boVertical };

// A flat button that takes no keyboard focus: it lies flat on its window until the mouse moves
// over it, then shows a thin raised frame, and a sunken one while it is pressed. It shows a glyph
// (a strip of up to four images: normal, disabled, hot, pressed) and an optional one-line caption
// whose "&" letter clicks it.
//
// Colours are colour values, so a system colour reference follows the desktop's palette.
class TsiFlatBtn final : public QWidget
{
    Q_OBJECT

public:
    explicit TsiFlatBtn(QWidget* parent = nullptr);
    ~TsiFlatBtn() override;

    // The strip of images. Setting it also sets NumGlyphs from its shape: width / height when
    // the width is a whole multiple of the height of at most 4, else 1.
    const QImage& Glyph() const { return m_glyph; }
    void SetGlyph(const QImage& glyph);

    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

    bool DrawFrame() const { return m_drawFrame; }
    void SetDrawFrame(bool drawFrame);
    TColor FrameColor() const { return m_frameColor; }
    void SetFrameColor(TColor color);

    // 1 to 4; a larger number stores 4, a smaller one 1.
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int numGlyphs);

    TGlyphLayout GlyphLayout() const { return m_glyphLayout; }
    void SetGlyphLayout(TGlyphLayout layout);
    TButtonOrientation ButtonOrientation() const { return m_orientation; }
    void SetButtonOrientation(TButtonOrientation orientation);

    TColor A3DTopCl() const { return m_topColor; }
    void SetA3DTopCl(TColor color);
    TColor A3DBotCl() const { return m_bottomColor; }
    void SetA3DBotCl(TColor color);

    bool Elliptic() const { return m_elliptic; }
    void SetElliptic(bool elliptic);

    // The mouse is over the button / the left button went down on it.
    bool IsHot() const { return m_hot; }
    bool IsPressed() const { return m_pressed; }

    QSize sizeHint() const override { return {75, 25}; }

signals:
    void OnClick();
    void OnDblClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseMove(Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void MouseEntered();
    void MouseLeft();
    bool ContainsWithEdges(QPoint pos) const;
    // The image of the strip for the current state, with its transparent colour cleared.
    QImage CurrentImage() const;

    QImage m_glyph;
    QImage m_transparentGlyph; // m_glyph with its bottom-left pixel's colour made transparent
    QString m_caption;
    int m_shortcutId = 0;
    bool m_drawFrame = false;
    TColor m_frameColor;
    int m_numGlyphs = 1;
    TGlyphLayout m_glyphLayout = glGlyphLeft;
    TButtonOrientation m_orientation = boHorizontal;
    TColor m_topColor;
    TColor m_bottomColor;
    bool m_elliptic = true;

    bool m_hot = false;
    bool m_pressed = false;
    bool m_clickArmed = false; // a left press began on the button and may still end in a click
};

} // namespace qv
