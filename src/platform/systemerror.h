#pragma once

#include <QString>

// The platform's text for an error code, with trailing blanks, line breaks and full stops
// removed (the error box puts one full stop back).
QString systemErrorText(int errorCode);

// systemErrorText() of the calling thread's last error (errno).
QString lastSystemErrorText();

// Removes trailing blanks, line breaks and full stops.
QString trimSystemText(QString text);
