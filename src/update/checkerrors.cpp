#include "checkerrors.h"

#include <algorithm>

QString CheckErrors;
bool CheckFailed = false;

bool isBlankText(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= u' '; });
}

void AddCheckError(const QString &entry)
{
    if (isBlankText(entry))
        return;
    CheckFailed = true;
    if (CheckErrors.isEmpty())
        CheckErrors = entry;
    else
        CheckErrors += QStringLiteral("\r\r") + entry;
}

void ClearCheckErrors()
{
    CheckErrors.clear();
    CheckFailed = false;
}
