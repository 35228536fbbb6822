// The client facts read from os-release and the kernel release. The input is the os-release
// file, a NUL, the kernel release, a NUL and the machine type.

#include "fuzzsupport.h"

#include "service/clientfacts.h"

#include <limits>

namespace {

// The leading ASCII digits of a text of at most eight digits; nothing for longer numbers,
// whose reading the target leaves to the program.
std::optional<qint64> shortLeadingNumber(QStringView text)
{
    qsizetype digits = 0;
    while (digits < text.size() && text[digits] >= u'0' && text[digits] <= u'9')
        ++digits;
    if (digits > 8)
        return std::nullopt;
    return digits == 0 ? 0 : text.first(digits).toString().toLongLong();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> parts = bytesOf(data, size).toByteArray().split('\0');
    const QString kernel = QString::fromUtf8(parts.value(1));
    const OSFacts facts = linuxOSFacts(parts.value(0), kernel, QString::fromUtf8(parts.value(2)));

    FUZZ_CHECK(!facts.name.isEmpty());
    FUZZ_CHECK(facts.major >= 0 && facts.minor >= 0 && facts.servicePack >= 0 && facts.build >= 0);
    // The build is the kernel's major * 100 + minor, as large as a build can be when that is
    // larger still.
    const QStringList numbers = kernel.split(u'.');
    const auto major = shortLeadingNumber(numbers.value(0));
    const auto minor = shortLeadingNumber(numbers.value(1));
    if (major && minor)
        FUZZ_CHECK(facts.build == qMin(*major * 100 + *minor, qint64(std::numeric_limits<int>::max())));

    const QString description = formatOSDescription(facts);
    FUZZ_CHECK(description.startsWith(facts.name));
    FUZZ_CHECK(description.endsWith(
        QStringLiteral(", Build ") + QString::number(facts.build) +
        (facts.is64Bit ? QStringLiteral(", 64-bit Edition)") : QStringLiteral(", 32-bit Edition)"))));
    return 0;
}
