#pragma once

#include "platform/errors.h"

#include <QString>

class QWidget;

// The text the error box shows: withClosingFullStop() of the message.
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
