#include "gui/app/WindowFonts.h"

#include <QFont>

namespace qv {

QStringList FittingFontFamilies()
{
    // Measured with every caption of the windows at 11 pixels: Liberation Sans (installed by
    // the setup and recommended by the package; Arimo and Arial share its widths) and FreeSans
    // fit everywhere, the widest caption taking 151 of its label's 160 pixels. DejaVu Sans is
    // about 10 % wider and clips; Carlito and Open Sans are narrow enough but their lines are
    // too tall for the 13-pixel labels.
    return {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
            QStringLiteral("FreeSans")};
}

void PreferFittingFonts()
{
    const QStringList families = FittingFontFamilies();
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), families);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), families);
}

} // namespace qv
