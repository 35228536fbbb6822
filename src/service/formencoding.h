#pragma once

#include "postform.h"

#include <QByteArray>
#include <QString>

// One name or value of an HTML form, as the service expects it: the UTF-8 bytes, with letters,
// digits and "*-._" as they are, a space as "+" and every other byte as "%XX" (upper case).
QByteArray encodeFormComponent(const QString &text);

// The request body: each field split at its first "=", name and value encoded separately,
// joined with "&". A field without "=" is sent as a name with an empty value.
QByteArray encodeFormFields(const FormFields &fields);
