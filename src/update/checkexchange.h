#pragma once

#include "checkanswer.h"
#include "service/postform.h"

#include <QString>
#include <QStringList>

#include <functional>

// One exchange with the maker's update service: the request and the HTTPS-then-HTTP post (the
// answer is read by checkanswer.h). Failures go to the error record (checkerrors.h).

using CheckRequest = FormFields;

inline constexpr int CheckTimeoutMs = 10000;

// cmd, appname, version, os, local, guid and howmany, in this order.
CheckRequest BuildCheckRequest(const QString &caption, const QString &versionText, const QString &machineId,
                               qint32 startCount);

// Posts to "https://" + CheckEndpoint(), and once more to "http://" + CheckEndpoint() when that
// fails; a successful plain retry clears the whole error record. No lines when both fail.
CheckAnswer SendCheckRequest(const CheckRequest &request);

// The post SendCheckRequest uses; tests put a scripted one in. An empty function restores PostForm.
using CheckPoster = std::function<QString(const QString &address, const FormFields &fields, int timeoutMs)>;
void setCheckPosterForTesting(CheckPoster poster);
