#pragma once

#include <exception>
#include <utility>

class QWidget;

namespace qv {

// The one place where a failure that abandons a command reaches the user: its text ("Cannot
// open file ...", "Unable to write to ...") in a message box captioned with the application's
// title. The program keeps running.
void ShowCommandFailure(QWidget* owner, const std::exception& failure);

// Runs a command; a failure of the file layer (or any other exception) abandons it and is shown
// by ShowCommandFailure. Returns whether the command ran to its end.
template <class Command>
bool RunCommand(QWidget* owner, Command&& command)
{
    try {
        std::forward<Command>(command)();
        return true;
    } catch (const std::exception& failure) {
        ShowCommandFailure(owner, failure);
        return false;
    }
}

} // namespace qv
