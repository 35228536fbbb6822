#include "locations/countrynames.h"
#include "locations/gazetteer.h"
#include "platform/textlinefile.h"
#include "testfiles.h"

#include <QFile>
#include <QHash>
#include <QMultiHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

QStringList shippedTable(const QByteArray &codePage)
{
    return decodeTextLines(readFileBytes(QStringLiteral(THERMIRA_COUNTRY_TABLE)), TextEncoding::named(codePage));
}

// A coordinate as the heatmap script embeds it: a plain decimal number with "." as the point.
const QRegularExpression PlainDecimal(QStringLiteral("^-?[0-9]{1,3}\\.[0-9]+$"));

// Time zone cities of every country (the system's zone.tab): code -> (latitude, longitude).
QMultiHash<QString, QPair<double, double>> zoneCities()
{
    QMultiHash<QString, QPair<double, double>> cities;
    QFile file(QStringLiteral("/usr/share/zoneinfo/zone.tab"));
    if (!file.open(QIODevice::ReadOnly))
        return cities;
    // +DDMM+DDDMM or +DDMMSS+DDDMMSS
    static const QRegularExpression position(
        QStringLiteral("^([+-])(\\d\\d)(\\d\\d)(\\d\\d)?([+-])(\\d\\d\\d)(\\d\\d)(\\d\\d)?$"));
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
        if (fields.size() < 3 || fields[0].startsWith('#'))
            continue;
        const QRegularExpressionMatch match = position.match(QString::fromLatin1(fields[1]));
        if (!match.hasMatch())
            continue;
        const auto degrees = [&](int sign, int d, int m, int s) {
            const double value = match.captured(d).toDouble() + match.captured(m).toDouble() / 60 +
                                 match.captured(s).toDouble() / 3600;
            return match.captured(sign) == u'-' ? -value : value;
        };
        cities.insert(QString::fromLatin1(fields[0]), {degrees(1, 2, 3, 4), degrees(5, 6, 7, 8)});
    }
    return cities;
}

double kilometresBetween(double lat1, double lon1, double lat2, double lon2)
{
    const double rad = M_PI / 180;
    const double c = std::sin(lat1 * rad) * std::sin(lat2 * rad) +
                     std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::cos((lon1 - lon2) * rad);
    return 6371 * std::acos(std::clamp(c, -1.0, 1.0));
}

// The picker's names with their ISO 3166 codes, for those that have a time zone of their own.
const QHash<QString, QString> &countryCodes()
{
    static const QHash<QString, QString> codes{
        {"Afghanistan", "AF"},
        {"Albania", "AL"},
        {"Algeria", "DZ"},
        {"American Samoa", "AS"},
        {"Andorra", "AD"},
        {"Angola", "AO"},
        {"Anguilla", "AI"},
        {"Antarctica", "AQ"},
        {"Antigua and Barbuda", "AG"},
        {"Argentina", "AR"},
        {"Armenia", "AM"},
        {"Aruba", "AW"},
        {"Australia", "AU"},
        {"Austria", "AT"},
        {"Azerbaijan", "AZ"},
        {"Bahamas", "BS"},
        {"Bahrain", "BH"},
        {"Bangladesh", "BD"},
        {"Barbados", "BB"},
        {"Belarus", "BY"},
        {"Belgium", "BE"},
        {"Belize", "BZ"},
        {"Benin", "BJ"},
        {"Bermuda", "BM"},
        {"Bhutan", "BT"},
        {"Bolivia", "BO"},
        {"Bosnia and Herzegovina", "BA"},
        {"Botswana", "BW"},
        {"Brazil", "BR"},
        {"British Indian Ocean Territory", "IO"},
        {"British Virgin Islands", "VG"},
        {"Brunei", "BN"},
        {"Bulgaria", "BG"},
        {"Burkina Faso", "BF"},
        {"Burundi", "BI"},
        {"Cambodia", "KH"},
        {"Cameroon", "CM"},
        {"Canada", "CA"},
        {"Cape Verde", "CV"},
        {"Cayman Islands", "KY"},
        {"Central African Republic", "CF"},
        {"Chad", "TD"},
        {"Chile", "CL"},
        {"China", "CN"},
        {"Christmas Island", "CX"},
        {"Cocos [Keeling] Islands", "CC"},
        {"Colombia", "CO"},
        {"Comoros", "KM"},
        {"Congo [DRC]", "CD"},
        {"Congo [Republic]", "CG"},
        {"Cook Islands", "CK"},
        {"Costa Rica", "CR"},
        {"Côte d'Ivoire", "CI"},
        {"Croatia", "HR"},
        {"Cuba", "CU"},
        {"Cyprus", "CY"},
        {"Czech Republic", "CZ"},
        {"Denmark", "DK"},
        {"Djibouti", "DJ"},
        {"Dominica", "DM"},
        {"Dominican Republic", "DO"},
        {"Ecuador", "EC"},
        {"Egypt", "EG"},
        {"El Salvador", "SV"},
        {"Equatorial Guinea", "GQ"},
        {"Eritrea", "ER"},
        {"Estonia", "EE"},
        {"Ethiopia", "ET"},
        {"Falkland Islands [Islas Malvinas]", "FK"},
        {"Faroe Islands", "FO"},
        {"Fiji", "FJ"},
        {"Finland", "FI"},
        {"France", "FR"},
        {"French Guiana", "GF"},
        {"French Polynesia", "PF"},
        {"French Southern Territories", "TF"},
        {"Gabon", "GA"},
        {"Gambia", "GM"},
        {"Gaza Strip", "PS"},
        {"Georgia", "GE"},
        {"Germany", "DE"},
        {"Ghana", "GH"},
        {"Gibraltar", "GI"},
        {"Greece", "GR"},
        {"Greenland", "GL"},
        {"Grenada", "GD"},
        {"Guadeloupe", "GP"},
        {"Guam", "GU"},
        {"Guatemala", "GT"},
        {"Guernsey", "GG"},
        {"Guinea", "GN"},
        {"Guinea-Bissau", "GW"},
        {"Guyana", "GY"},
        {"Haiti", "HT"},
        {"Honduras", "HN"},
        {"Hong Kong", "HK"},
        {"Hungary", "HU"},
        {"Iceland", "IS"},
        {"India", "IN"},
        {"Indonesia", "ID"},
        {"Iran", "IR"},
        {"Iraq", "IQ"},
        {"Ireland", "IE"},
        {"Isle of Man", "IM"},
        {"Israel", "IL"},
        {"Italy", "IT"},
        {"Jamaica", "JM"},
        {"Japan", "JP"},
        {"Jersey", "JE"},
        {"Jordan", "JO"},
        {"Kazakhstan", "KZ"},
        {"Kenya", "KE"},
        {"Kiribati", "KI"},
        {"Kuwait", "KW"},
        {"Kyrgyzstan", "KG"},
        {"Laos", "LA"},
        {"Latvia", "LV"},
        {"Lebanon", "LB"},
        {"Lesotho", "LS"},
        {"Liberia", "LR"},
        {"Libya", "LY"},
        {"Liechtenstein", "LI"},
        {"Lithuania", "LT"},
        {"Luxembourg", "LU"},
        {"Macau", "MO"},
        {"Macedonia [FYROM]", "MK"},
        {"Madagascar", "MG"},
        {"Malawi", "MW"},
        {"Malaysia", "MY"},
        {"Maldives", "MV"},
        {"Mali", "ML"},
        {"Malta", "MT"},
        {"Marshall Islands", "MH"},
        {"Martinique", "MQ"},
        {"Mauritania", "MR"},
        {"Mauritius", "MU"},
        {"Mayotte", "YT"},
        {"Mexico", "MX"},
        {"Micronesia", "FM"},
        {"Moldova", "MD"},
        {"Monaco", "MC"},
        {"Mongolia", "MN"},
        {"Montenegro", "ME"},
        {"Montserrat", "MS"},
        {"Morocco", "MA"},
        {"Mozambique", "MZ"},
        {"Myanmar [Burma]", "MM"},
        {"Namibia", "NA"},
        {"Nauru", "NR"},
        {"Nepal", "NP"},
        {"Netherlands", "NL"},
        {"Netherlands Antilles", "CW"},
        {"New Caledonia", "NC"},
        {"New Zealand", "NZ"},
        {"Nicaragua", "NI"},
        {"Niger", "NE"},
        {"Nigeria", "NG"},
        {"Niue", "NU"},
        {"Norfolk Island", "NF"},
        {"North Korea", "KP"},
        {"Northern Mariana Islands", "MP"},
        {"Norway", "NO"},
        {"Oman", "OM"},
        {"Pakistan", "PK"},
        {"Palau", "PW"},
        {"Palestinian Territories", "PS"},
        {"Panama", "PA"},
        {"Papua New Guinea", "PG"},
        {"Paraguay", "PY"},
        {"Peru", "PE"},
        {"Philippines", "PH"},
        {"Pitcairn Islands", "PN"},
        {"Poland", "PL"},
        {"Portugal", "PT"},
        {"Puerto Rico", "PR"},
        {"Qatar", "QA"},
        {"Réunion", "RE"},
        {"Romania", "RO"},
        {"Russia", "RU"},
        {"Rwanda", "RW"},
        {"Saint Helena", "SH"},
        {"Saint Kitts and Nevis", "KN"},
        {"Saint Lucia", "LC"},
        {"Saint Pierre and Miquelon", "PM"},
        {"Saint Vincent and the Grenadines", "VC"},
        {"Samoa", "WS"},
        {"San Marino", "SM"},
        {"São Tomé and Príncipe", "ST"},
        {"Saudi Arabia", "SA"},
        {"Senegal", "SN"},
        {"Serbia", "RS"},
        {"Seychelles", "SC"},
        {"Sierra Leone", "SL"},
        {"Singapore", "SG"},
        {"Slovakia", "SK"},
        {"Slovenia", "SI"},
        {"Solomon Islands", "SB"},
        {"Somalia", "SO"},
        {"South Africa", "ZA"},
        {"South Georgia and the South Sandwich Islands", "GS"},
        {"South Korea", "KR"},
        {"Spain", "ES"},
        {"Sri Lanka", "LK"},
        {"Sudan", "SD"},
        {"Suriname", "SR"},
        {"Svalbard and Jan Mayen", "SJ"},
        {"Swaziland", "SZ"},
        {"Sweden", "SE"},
        {"Switzerland", "CH"},
        {"Syria", "SY"},
        {"Taiwan", "TW"},
        {"Tajikistan", "TJ"},
        {"Tanzania", "TZ"},
        {"Thailand", "TH"},
        {"Timor-Leste", "TL"},
        {"Togo", "TG"},
        {"Tokelau", "TK"},
        {"Tonga", "TO"},
        {"Trinidad and Tobago", "TT"},
        {"Tunisia", "TN"},
        {"Turkey", "TR"},
        {"Turkmenistan", "TM"},
        {"Turks and Caicos Islands", "TC"},
        {"Tuvalu", "TV"},
        {"U.S. Minor Outlying Islands", "UM"},
        {"U.S. Virgin Islands", "VI"},
        {"Uganda", "UG"},
        {"Ukraine", "UA"},
        {"United Arab Emirates", "AE"},
        {"United Kingdom", "GB"},
        {"United States", "US"},
        {"Uruguay", "UY"},
        {"Uzbekistan", "UZ"},
        {"Vanuatu", "VU"},
        {"Vatican City", "VA"},
        {"Venezuela", "VE"},
        {"Vietnam", "VN"},
        {"Wallis and Futuna", "WF"},
        {"Western Sahara", "EH"},
        {"Yemen", "YE"},
        {"Zambia", "ZM"},
        {"Zimbabwe", "ZW"},

    };
    return codes;
}

} // namespace

class TestGazetteer final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lookUp_data()
    {
        QTest::addColumn<QStringList>("table");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("latitude");
        QTest::addColumn<QString>("longitude");

        QTest::newRow("two commas") << QStringList{"Chad,15.45,18.73"} << "Chad" << true << "15.45"
                                    << "18.73";
        QTest::newRow("one comma: empty latitude") << QStringList{"Chad,15.45"} << "Chad" << true << ""
                                                   << "15.45";
        QTest::newRow("three commas: the rest is the longitude")
            << QStringList{"Chad,15.45,18.73,x"} << "Chad" << true << "15.45"
            << "18.73,x";
        QTest::newRow("lower-case name serves nobody")
            << QStringList{"chad,15.45,18.73"} << "Chad" << false << ""
            << "";
        QTest::newRow("first of two lines wins")
            << QStringList{"Chad,1,2", "Chad,3,4"} << "Chad" << true << "1"
            << "2";
        QTest::newRow("later line found past others")
            << QStringList{"Benin,9,2", "", "Chad,15,18"} << "Chad" << true << "15"
            << "18";
        QTest::newRow("line without comma never matches") << QStringList{"Chad"} << "Chad" << false << ""
                                                          << "";
        QTest::newRow("space belongs to the name")
            << QStringList{"Chad ,1,2", " Chad,3,4"} << "Chad" << false << ""
            << "";
        QTest::newRow("spaces kept in the fields")
            << QStringList{"Chad, 15.45 , 18.73 "} << "Chad" << true << " 15.45 "
            << " 18.73 ";
        QTest::newRow("name is a prefix of the line name")
            << QStringList{"Chadian,1,2"} << "Chad" << false << ""
            << "";
        QTest::newRow("line name is a prefix of the picked name")
            << QStringList{"Guinea,1,2", "Guinea-Bissau,3,4"} << "Guinea-Bissau" << true << "3"
            << "4";
        QTest::newRow("empty fields") << QStringList{"Chad,,"} << "Chad" << true << ""
                                      << "";
        QTest::newRow("accents must match")
            << QStringList{"Reunion,1,2", "Réunion,3,4"} << "Réunion" << true << "3"
            << "4";
        QTest::newRow("decomposed accent is another name")
            << QStringList{QStringLiteral("Re\u0301union,1,2")} << "Réunion" << false << ""
            << "";
        QTest::newRow("empty table") << QStringList{} << "Chad" << false << ""
                                     << "";
    }
    void lookUp()
    {
        QFETCH(QStringList, table);
        QFETCH(QString, name);
        QFETCH(bool, found);
        QFETCH(QString, latitude);
        QFETCH(QString, longitude);

        const std::optional<CountryPoint> point = lookUpCountry(table, name);
        QCOMPARE(point.has_value(), found);
        if (point) {
            QCOMPARE(point->latitude, latitude);
            QCOMPARE(point->longitude, longitude);
        }
    }

    void pickerNames()
    {
        const QStringList &names = countryNames();
        QCOMPARE(names.size(), 245);
        QCOMPARE(names.first(), QStringLiteral("Afghanistan"));
        QCOMPARE(names.last(), QStringLiteral("Zimbabwe"));
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 245);
        for (const QString &name : names) {
            QVERIFY2(!name.contains(u',') && !name.isEmpty() && name.trimmed() == name, qPrintable(name));
        }
        // The three names with letters outside ASCII, written with precomposed letters.
        QCOMPARE(names[53], QStringLiteral(u"C\u00f4te d'Ivoire"));
        QCOMPARE(names[179], QStringLiteral(u"R\u00e9union"));
        QCOMPARE(names[190], QStringLiteral(u"S\u00e3o Tom\u00e9 and Pr\u00edncipe"));
        int nonAscii = 0;
        for (const QString &name : names) {
            for (QChar c : name)
                nonAscii += c.unicode() > 0x7F ? 1 : 0;
        }
        QCOMPARE(nonAscii, 5);
        QCOMPARE(names.indexOf(QStringLiteral("Cocos [Keeling] Islands")), 46);
        QCOMPARE(names.indexOf(QStringLiteral("Macedonia [FYROM]")), 128);
        QCOMPARE(names.indexOf(QStringLiteral("U.S. Minor Outlying Islands")), 227);
    }

    // The three accented names under the table's possible encodings and the system's code page.
    void accentedNames_data()
    {
        QTest::addColumn<QByteArray>("tableEncoding");
        QTest::addColumn<bool>("withMark");
        QTest::addColumn<QByteArray>("systemCodePage");
        QTest::addColumn<bool>("found");

        QTest::newRow("UTF-8 with mark, Windows-1252 system")
            << QByteArray("UTF-8") << true << QByteArray("windows-1252") << true;
        QTest::newRow("UTF-8 with mark, UTF-8 system")
            << QByteArray("UTF-8") << true << QByteArray("UTF-8") << true;
        QTest::newRow("UTF-8 without mark, Windows-1252 system")
            << QByteArray("UTF-8") << false << QByteArray("windows-1252") << false;
        QTest::newRow("UTF-8 without mark, UTF-8 system")
            << QByteArray("UTF-8") << false << QByteArray("UTF-8") << true;
        QTest::newRow("Windows-1252, Windows-1252 system")
            << QByteArray("windows-1252") << false << QByteArray("windows-1252") << true;
        QTest::newRow("Windows-1252, UTF-8 system")
            << QByteArray("windows-1252") << false << QByteArray("UTF-8") << false;
    }
    void accentedNames()
    {
        QFETCH(QByteArray, tableEncoding);
        QFETCH(bool, withMark);
        QFETCH(QByteArray, systemCodePage);
        QFETCH(bool, found);

        const QStringList accented{countryNames()[53], countryNames()[179], countryNames()[190]};
        QString text;
        for (int i = 0; i < accented.size(); ++i)
            text += accented[i] + QStringLiteral(",%1.5,%2.25\r\n").arg(i + 1).arg(-(i + 1));
        QStringEncoder encoder(tableEncoding.constData());
        QByteArray bytes = encoder.encode(text);
        QVERIFY(!encoder.hasError());
        if (withMark)
            bytes.prepend("\xEF\xBB\xBF");

        const QStringList table = decodeTextLines(bytes, TextEncoding::named(systemCodePage));
        QCOMPARE(table.size(), 3);
        for (int i = 0; i < accented.size(); ++i) {
            const std::optional<CountryPoint> point = lookUpCountry(table, accented[i]);
            QVERIFY2(point.has_value() == found, qPrintable(accented[i]));
            if (point) {
                QCOMPARE(point->latitude, QStringLiteral("%1.5").arg(i + 1));
                QCOMPARE(point->longitude, QStringLiteral("%1.25").arg(-(i + 1)));
            }
        }
    }

    // Every picker item finds its own line in the shipped table under any system code page.
    void shippedTableServesEveryName_data()
    {
        QTest::addColumn<QByteArray>("systemCodePage");
        QTest::newRow("UTF-8") << QByteArray("UTF-8");
        QTest::newRow("Windows-1252") << QByteArray("windows-1252");
        QTest::newRow("ISO-8859-1") << QByteArray("ISO-8859-1");
        QTest::newRow("Windows-1251") << QByteArray("windows-1251");
    }
    void shippedTableServesEveryName()
    {
        QFETCH(QByteArray, systemCodePage);
        const QStringList table = shippedTable(systemCodePage);
        const QStringList &names = countryNames();
        QCOMPARE(table.size(), names.size());
        for (int i = 0; i < names.size(); ++i) {
            const QString &name = names[i];
            // One line per item, in picker order, so the first match is the item's own line.
            QVERIFY2(table[i].startsWith(name + u','), qPrintable(table[i]));
            const std::optional<CountryPoint> point = lookUpCountry(table, name);
            QVERIFY2(point.has_value(), qPrintable(name));
            QVERIFY2(PlainDecimal.match(point->latitude).hasMatch(),
                     qPrintable(name + u' ' + point->latitude));
            QVERIFY2(PlainDecimal.match(point->longitude).hasMatch(),
                     qPrintable(name + u' ' + point->longitude));
            bool latOk = false;
            bool lonOk = false;
            const double latitude = point->latitude.toDouble(&latOk);
            const double longitude = point->longitude.toDouble(&lonOk);
            QVERIFY(latOk && lonOk);
            QVERIFY2(latitude >= -90 && latitude <= 90, qPrintable(name));
            QVERIFY2(longitude >= -180 && longitude <= 180, qPrintable(name));
        }
    }

    void shippedTableIsMarkedUtf8WithCrLf()
    {
        const QByteArray bytes = readFileBytes(QStringLiteral(THERMIRA_COUNTRY_TABLE));
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), 245);
        QCOMPARE(bytes.count('\n'), 245);
        QCOMPARE(bytes.count('\r'), 245);
    }

    // Each point lies within 1500 km of a time zone city of its own country (a point of the
    // wrong sign or in another part of the world cannot).
    void shippedPointsLieNearTheirCountrysZoneCities()
    {
        const QMultiHash<QString, QPair<double, double>> cities = zoneCities();
        QVERIFY(cities.size() > 300);
        const QStringList table = shippedTable("UTF-8");
        QCOMPARE(countryCodes().size(), 242);
        for (auto it = countryCodes().cbegin(); it != countryCodes().cend(); ++it) {
            const std::optional<CountryPoint> point = lookUpCountry(table, it.key());
            QVERIFY2(point.has_value(), qPrintable(it.key()));
            const QList<QPair<double, double>> own = cities.values(it.value());
            QVERIFY2(!own.isEmpty(), qPrintable(it.value()));
            double nearest = 1e9;
            for (const auto &[latitude, longitude] : own) {
                nearest =
                    std::min(nearest, kilometresBetween(point->latitude.toDouble(),
                                                        point->longitude.toDouble(), latitude, longitude));
            }
            QVERIFY2(nearest <= 1500, qPrintable(QStringLiteral("%1: %2 km").arg(it.key()).arg(nearest)));
        }
    }

    // Points checked against rough boxes around each country: a swapped pair or a point in a
    // neighbour falls outside. Boxes are south, north, west, east.
    void shippedPointsLieInTheirCountry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("south");
        QTest::addColumn<double>("north");
        QTest::addColumn<double>("west");
        QTest::addColumn<double>("east");

        const auto row = [](const char *name, double s, double n, double w, double e) {
            QTest::newRow(name) << QString::fromUtf8(name) << s << n << w << e;
        };
        row("Chad", 7.4, 23.5, 13.4, 24.0);
        row("Niger", 11.7, 23.5, 0.1, 16.0);
        row("Cameroon", 1.6, 13.1, 8.4, 16.2);
        row("Central African Republic", 2.2, 11.0, 14.4, 27.5);
        row("Congo [DRC]", -13.5, 5.4, 12.2, 31.3);
        row("Congo [Republic]", -5.1, 3.7, 11.1, 18.7);
        row("Laos", 13.9, 22.5, 100.0, 107.7);
        row("Thailand", 5.6, 20.5, 97.3, 105.7);
        row("Lesotho", -30.7, -28.5, 27.0, 29.5);
        row("Liechtenstein", 47.04, 47.28, 9.47, 9.64);
        row("Switzerland", 45.8, 47.9, 5.9, 10.5);
        row("Vatican City", 41.900, 41.908, 12.445, 12.459);
        row("Monaco", 43.72, 43.76, 7.40, 7.44);
        row("San Marino", 43.89, 43.99, 12.40, 12.52);
        row("Singapore", 1.2, 1.48, 103.6, 104.1);
        row("Paraguay", -27.7, -19.2, -62.7, -54.2);
        row("Argentina", -55.1, -21.7, -73.6, -53.6);
        row("United States", 24.5, 49.4, -125.0, -66.9);
        row("Canada", 41.7, 83.2, -141.0, -52.6);
        row("Russia", 41.2, 81.9, 19.6, 180.0);
        row("Australia", -43.7, -10.6, 113.1, 153.7);
        row("New Zealand", -47.3, -34.4, 166.4, 178.6);
        row("Brazil", -33.8, 5.3, -74.0, -34.8);
        row("India", 6.7, 35.7, 68.1, 97.4);
        row("China", 18.1, 53.6, 73.5, 134.8);
        row("Japan", 24.0, 45.6, 122.9, 146.0);
        row("Kazakhstan", 40.5, 55.5, 46.4, 87.4);
        row("Egypt", 22.0, 31.7, 24.7, 36.9);
        row("South Africa", -34.9, -22.1, 16.4, 32.9);
        row("Norway", 57.9, 71.2, 4.6, 31.1);
        row("United Kingdom", 49.9, 60.9, -8.7, 1.8);
        row("Ireland", 51.4, 55.4, -10.5, -6.0);
        row("Spain", 36.0, 43.8, -9.3, 3.3);
        row("Portugal", 36.9, 42.2, -9.6, -6.2);
        row("Greenland", 59.7, 83.7, -73.1, -11.3);
        row("Iceland", 63.3, 66.6, -24.6, -13.4);
        row("Chile", -55.9, -17.5, -75.7, -66.4);
        row("Mexico", 14.5, 32.7, -117.2, -86.7);
        row("Indonesia", -11.0, 6.1, 95.0, 141.1);
        row("Fiji", -19.2, -16.1, 177.0, 180.0);
        row("Kiribati", 1.0, 2.0, 172.5, 173.5);
        row("Tuvalu", -9.0, -8.0, 178.9, 179.9);
        row("American Samoa", -14.6, -14.1, -171.1, -168.1);
        row("Samoa", -14.1, -13.4, -172.8, -171.4);
        row("Tonga", -22.4, -15.5, -176.3, -173.7);
        row("Wallis and Futuna", -14.4, -13.1, -178.3, -176.0);
        row("Antarctica", -90.0, -60.0, -180.0, 180.0);
        row("Bouvet Island", -54.5, -54.3, 3.2, 3.5);
        row("Heard Island and McDonald Islands", -53.2, -52.9, 73.2, 73.9);
        row("Kosovo", 41.85, 43.27, 20.0, 21.8);
        row("Falkland Islands [Islas Malvinas]", -52.5, -51.0, -61.4, -57.6);
        row("Gaza Strip", 31.2, 31.6, 34.2, 34.6);
        row("Palestinian Territories", 31.3, 32.6, 34.8, 35.6);
        row("Israel", 29.5, 33.3, 34.2, 35.9);
        row("Hong Kong", 22.15, 22.57, 113.8, 114.45);
        row("Macau", 22.10, 22.22, 113.52, 113.6);
        row("Côte d'Ivoire", 4.3, 10.8, -8.7, -2.4);
        row("Réunion", -21.4, -20.8, 55.2, 55.9);
        row("São Tomé and Príncipe", -0.1, 1.8, 6.4, 7.5);
        row("Saint Helena", -16.05, -15.88, -5.80, -5.63);
        row("Svalbard and Jan Mayen", 70.8, 80.9, -9.1, 33.7);
        row("U.S. Minor Outlying Islands", -1.0, 29.0, -178.0, 167.0);
    }
    void shippedPointsLieInTheirCountry()
    {
        QFETCH(QString, name);
        QFETCH(double, south);
        QFETCH(double, north);
        QFETCH(double, west);
        QFETCH(double, east);
        const std::optional<CountryPoint> point = lookUpCountry(shippedTable("UTF-8"), name);
        QVERIFY(point.has_value());
        const double latitude = point->latitude.toDouble();
        const double longitude = point->longitude.toDouble();
        QVERIFY2(latitude >= south && latitude <= north, qPrintable(point->latitude));
        QVERIFY2(longitude >= west && longitude <= east, qPrintable(point->longitude));
    }
};

QTEST_GUILESS_MAIN(TestGazetteer)
#include "tst_gazetteer.moc"
