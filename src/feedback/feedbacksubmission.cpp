#include "feedbacksubmission.h"

#include "platform/logging.h"
#include "service/makersite.h"

#include <QRegularExpression>

#include <exception>
#include <optional>

QString moodText(Mood mood)
{
    switch (mood) {
    case Mood::Like:
        return QStringLiteral("I like it!");
    case Mood::Dislike:
        return QStringLiteral("I dislike it!");
    case Mood::None:
        break;
    }
    return {};
}

QString TrimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

QString FeedbackText(Mood mood, const QString &message)
{
    QString text;
    if (mood != Mood::None)
        text = moodText(mood) + u'\r';
    return text + TrimBlanks(message);
}

bool IsValidEmail(const QString &address)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$"));
    // "$" would also match before a final line feed: the match must cover the whole text.
    const QRegularExpressionMatch match = pattern.match(address);
    return match.hasMatch() && match.capturedStart() == 0 && match.capturedLength() == address.size() &&
           !address.isEmpty();
}

FormFields FeedbackFields(const QString &appCaption, const QString &appVersion, const QString &feedbackText,
                          const QString &email)
{
    FormFields fields{QStringLiteral("cmd=feedback"), QStringLiteral("appname=") + appCaption,
                      QStringLiteral("version=") + appVersion, QStringLiteral("feedback=") + feedbackText};
    if (!email.isEmpty())
        fields.append(QStringLiteral("email=") + email);
    return fields;
}

bool IsReceivedAnswer(const QString &answer)
{
    QString lines = answer;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return TrimBlanks(lines) == QStringLiteral("OK");
}

namespace {

std::optional<QString> tryPost(const PostFunction &post, const QString &address, const FormFields &fields)
{
    try {
        return post(address, fields, FeedbackTimeoutMs);
    } catch (const std::exception &error) {
        qCInfo(lcThermira) << "feedback post to" << address << "failed:" << error.what();
        return std::nullopt;
    }
}

} // namespace

bool DeliverFeedback(const FormFields &fields, const PostFunction &post)
{
    std::optional<QString> answer = tryPost(post, QStringLiteral("https://") + FeedbackEndpoint(), fields);
    if (!answer)
        answer = tryPost(post, QStringLiteral("http://") + FeedbackEndpoint(), fields);
    return answer && IsReceivedAnswer(*answer);
}
