#pragma once

#include "platform/errors.h"

#include <QString>

class QWidget;

// The text the error box shows: a "." is appended when the last character's code is above
// that of "." (system texts lose their full stop on the way in).
QString errorBoxText(const QString &message);

// The application's error box: the text, an OK button, the error icon, caption "Thermira".
void showErrorBox(QWidget *parent, const QString &message);

// Runs one user command. An error escaping it is shown in the error box and abandons the
// command; nothing ever propagates into Qt's event loop, so the program keeps running.
template <typename Command>
void runCommand(QWidget *parent, Command &&command) noexcept
{
    try {
        command();
    } catch (const ThermiraError &error) {
        showErrorBox(parent, error.message());
    } catch (const std::exception &error) {
        showErrorBox(parent, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showErrorBox(parent, QStringLiteral("Unknown error"));
    }
}
