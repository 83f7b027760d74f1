#include "gui/widgets/SystemColors.h"

#include <QApplication>
#include <QPalette>

namespace qv {

namespace {

struct RoleOf
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    bool fits;
};

RoleOf PaletteRole(int index)
{
    using P = QPalette;
    switch (index) {
    case kActiveCaption:
    case kHighlight:
        return {P::Active, P::Highlight, true};
    case kCaptionText:
    case kHighlightText:
        return {P::Active, P::HighlightedText, true};
    case kMenu:
    case kActiveBorder:
    case kInactiveBorder:
        return {P::Active, P::Window, true};
    case kWindow:
        return {P::Active, P::Base, true};
    case kMenuText:
        return {P::Active, P::WindowText, true};
    case kWindowText:
        return {P::Active, P::Text, true};
    case kAppWorkspace:
    case kButtonShadow:
        return {P::Active, P::Dark, true};
    case kScrollBar:
    case kButtonFace:
        return {P::Active, P::Button, true};
    case kGrayText:
        return {P::Disabled, P::Text, true};
    case kButtonText:
        return {P::Active, P::ButtonText, true};
    case kButtonHighlight:
        return {P::Active, P::Light, true};
    case k3DDarkShadow:
        return {P::Active, P::Shadow, true};
    case k3DLight:
        return {P::Active, P::Midlight, true};
    case kInfoText:
        return {P::Active, P::ToolTipText, true};
    case kInfoBackground:
        return {P::Active, P::ToolTipBase, true};
    default:
        return {P::Active, P::NoRole, false};
    }
}

} // namespace

TColor PaletteSystemColor(int index)
{
    const RoleOf role = PaletteRole(index);
    if (!role.fits || QApplication::instance() == nullptr)
        return ClassicSystemColor(index);
    return FromQColor(QApplication::palette().color(role.group, role.role));
}

void InstallPaletteSystemColors()
{
    SetSystemColorResolver(PaletteSystemColor);
}

QColor ToQColor(TColor color)
{
    const TColor rgb = ResolveColor(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

TColor FromQColor(const QColor& color)
{
    return RgbColor(color.red(), color.green(), color.blue());
}

} // namespace qv
