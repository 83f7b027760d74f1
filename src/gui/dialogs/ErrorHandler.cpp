#include "gui/dialogs/ErrorHandler.h"

#include "gui/app/QuorvaneForm.h"
#include "gui/dialogs/Dialogs.h"

#include <new>

namespace qv {

void ShowCommandFailure(QWidget* owner, const std::exception& failure)
{
    // Only the file layer's failures carry a text meant for the user; anything else still must
    // not end the program or vanish without a word.
    const QString text = dynamic_cast<const std::bad_alloc*>(&failure)
                             ? QStringLiteral("There was not enough memory to complete the "
                                              "operation.")
                             : QString::fromUtf8(failure.what());
    CurrentDialogs().Message(owner, text, QString::fromLatin1(kApplicationTitle),
                             Dialogs::Icon::Error);
}

} // namespace qv
