#include "checkanswer.h"

#include "checkerrors.h"
#include "wholenumber.h"

namespace {

QString lineOrEmpty(const CheckAnswer &answer, qsizetype number)
{
    return number <= answer.size() ? answer[number - 1] : QString();
}

QString asciiLower(QString text)
{
    for (QChar &c : text) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return text;
}

} // namespace

bool AcceptCheckAnswer(const CheckAnswer &answer)
{
    const QString invalid = QStringLiteral("INVALIDSERVERRESPONSE");
    if (!answer.isEmpty() && answer.first().startsWith(QStringLiteral("ERROR")))
        AddCheckError(invalid);
    if (!CheckFailed) {
        const QString marker = ExtractTagValue(lineOrEmpty(answer, 4), QStringLiteral("result"));
        if (marker != QStringLiteral("0") && marker != QStringLiteral("1"))
            AddCheckError(invalid);
    }
    return !CheckFailed;
}

QString ExtractTagValue(const QString &line, const QString &tag)
{
    if (line.isEmpty() || tag.isEmpty())
        return QString();
    const QString name = asciiLower(tag);
    const QString opening = u'<' + name + u'>';
    const QString closing = QStringLiteral("</") + name + u'>';
    if (line.size() < opening.size() + closing.size() || !line.startsWith(opening) || !line.endsWith(closing))
        return QString();
    return line.mid(opening.size(), line.size() - opening.size() - closing.size());
}

bool IsNewVersion(const QString &announced, const QString &running)
{
    if (announced == running)
        return false;
    QString digits = announced;
    digits.remove(u'.');
    return parseWholeNumber(digits).has_value();
}

CheckAnswer splitAnswerLines(const QString &text)
{
    CheckAnswer lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        lines.append(text.mid(start, i - start));
        i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QString announcedVersion(const CheckAnswer &answer)
{
    return ExtractTagValue(lineOrEmpty(answer, 1), QStringLiteral("version"));
}

QString announcedAddress(const CheckAnswer &answer)
{
    return ExtractTagValue(lineOrEmpty(answer, 2), QStringLiteral("url"));
}

QString announcedMessage(const CheckAnswer &answer)
{
    return ExtractTagValue(lineOrEmpty(answer, 6), QStringLiteral("important"));
}
