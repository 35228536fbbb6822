#pragma once

#include "platform/errors.h"
#include "update/checkexchange.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One scripted outcome of a post: an answer, or a failure with this message.
struct ScriptedOutcome
{
    bool fails = false;
    QString text;
};

struct ScriptedAttempt
{
    QString address;
    FormFields fields;
    int timeoutMs = 0;
};

// Puts a scripted post in place of the network while it lives: "https://" addresses get the
// first outcome, every other address the second. Records every attempt.
class ScriptedPoster final
{
public:
    ScriptedPoster(ScriptedOutcome https, ScriptedOutcome http)
        : m_https(std::move(https)), m_http(std::move(http))
    {
        setCheckPosterForTesting([this](const QString &address, const FormFields &fields, int timeoutMs) {
            attempts.append(ScriptedAttempt{address, fields, timeoutMs});
            const ScriptedOutcome &outcome =
                address.startsWith(QStringLiteral("https://")) ? m_https : m_http;
            if (outcome.fails)
                throw NetworkError(outcome.text);
            return outcome.text;
        });
    }
    ~ScriptedPoster() { setCheckPosterForTesting({}); }
    ScriptedPoster(const ScriptedPoster &) = delete;
    ScriptedPoster &operator=(const ScriptedPoster &) = delete;

    void answerHttps(const QString &text) { m_https = ScriptedOutcome{false, text}; }

    QList<ScriptedAttempt> attempts;

private:
    ScriptedOutcome m_https;
    ScriptedOutcome m_http;
};

// The form encoding of one name or value, written out here on its own.
inline QByteArray formEncoded(const QString &text)
{
    QByteArray out;
    for (const char ch : text.toUtf8()) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '*' || c == '-' || c == '.' || c == '_';
        if (plain)
            out += char(c);
        else if (c == ' ')
            out += '+';
        else
            out += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
    }
    return out;
}
