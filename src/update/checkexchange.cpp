#include "checkexchange.h"

#include "checkerrors.h"
#include "platform/errors.h"
#include "service/clientfacts.h"
#include "service/makersite.h"

#include <exception>

namespace {

CheckPoster &posterOverride()
{
    static CheckPoster poster;
    return poster;
}

QString post(const QString &address, const FormFields &fields)
{
    const CheckPoster &poster = posterOverride();
    return poster ? poster(address, fields, CheckTimeoutMs) : PostForm(address, fields, CheckTimeoutMs);
}

QString messageOf(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const ThermiraError *>(&error))
        return own->message();
    return QString::fromUtf8(error.what());
}

} // namespace

CheckRequest BuildCheckRequest(const QString &caption, const QString &versionText, const QString &machineId,
                               qint32 startCount)
{
    CheckRequest request;
    request << QStringLiteral("cmd=check") << QStringLiteral("appname=") + caption
            << QStringLiteral("version=") + versionText << QStringLiteral("os=") + OSDescription();
    try {
        request << QStringLiteral("local=") + UserLocaleName();
    } catch (const std::exception &) {
        AddCheckError(QStringLiteral("Error: LocaleName2 problem!"));
    }
    request << QStringLiteral("guid=") + machineId;
    request << QStringLiteral("howmany=") + QString::number(startCount);
    return request;
}

CheckAnswer SendCheckRequest(const CheckRequest &request)
{
    try {
        return splitAnswerLines(post(QStringLiteral("https://") + CheckEndpoint(), request));
    } catch (const std::exception &error) {
        AddCheckError(QStringLiteral("HTTPS Response:\r") + messageOf(error));
    }
    try {
        CheckAnswer answer = splitAnswerLines(post(QStringLiteral("http://") + CheckEndpoint(), request));
        // The plain answer is judged on its own: whatever went wrong before it no longer counts.
        ClearCheckErrors();
        return answer;
    } catch (const std::exception &error) {
        AddCheckError(QStringLiteral("HTTP Response:\r") + messageOf(error));
    }
    return {};
}

void setCheckPosterForTesting(CheckPoster poster)
{
    posterOverride() = std::move(poster);
}
