#pragma once

#include <QString>
#include <QStringList>

// Form fields, each "name=value"; the name is the text before the first "=".
using FormFields = QStringList;

// Posts the fields as an HTML form to the address and returns the answer's body as text.
// "https://" (exactly, lower case) takes the secure path: the user's proxy, TLS verification,
// every HTTP status an answer. Every other address takes the plain path: no proxy, no
// redirects, a status outside 200-299 is an error. The timeout (ms) bounds connecting and each
// wait for reply data, and twice the timeout the whole call. Each call sends the request once
// (a server that closes without answering does not get it again). Blocking; callable from any
// thread; shares nothing between calls. Throws NetworkError with a message on every failure.
QString PostForm(const QString &address, const FormFields &fields, int timeoutMs);
