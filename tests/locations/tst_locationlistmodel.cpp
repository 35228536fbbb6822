#include "locations/locationlistmodel.h"

#include <QAbstractItemModelTester>
#include <QItemSelection>
#include <QSignalSpy>
#include <QTest>

namespace {

using Range = QList<int>; // top, bottom, left column, right column

QStringList latitudes(const LocationListModel &model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, LocationListModel::LatitudeColumn).data().toString();
    return result;
}

std::vector<LocationEntry> numbered(int count)
{
    std::vector<LocationEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({QString::number(i), QStringLiteral("lon%1").arg(i), QStringLiteral("c%1").arg(i)});
    return entries;
}

QStringList numbers(std::initializer_list<std::pair<int, int>> runs)
{
    QStringList result;
    for (const auto &[first, last] : runs) {
        for (int i = first; i <= last; ++i)
            result << QString::number(i);
    }
    return result;
}

} // namespace

class TestLocationListModel final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void presentation()
    {
        LocationListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Latitude"));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Longitude"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Comment"));

        model.append(
            LocationEntry{QStringLiteral("41.01"), QStringLiteral("28.97"), QStringLiteral("Turkey")});
        model.append(LocationEntry{QStringLiteral(""), QStringLiteral("abc"), QString()});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.size(), 2);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("41.01"));
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("28.97"));
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("Turkey"));
        QCOMPARE(model.index(1, 0).data().toString(), QString());
        QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("abc"));
        QCOMPARE(model.index(1, 2).data().toString(), QString());
        QVERIFY(!model.index(0, 0).data(Qt::EditRole).isValid());

        for (int column = 0; column < 3; ++column) {
            const Qt::ItemFlags flags = model.flags(model.index(0, column));
            QVERIFY(flags.testFlag(Qt::ItemIsSelectable));
            QVERIFY(flags.testFlag(Qt::ItemIsEnabled));
            QVERIFY(!flags.testFlag(Qt::ItemIsEditable));
            QVERIFY(!model.setData(model.index(0, column), QStringLiteral("x")));
        }
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("41.01"));

        // No sorting: the rows stay in the order they were added.
        model.sort(0, Qt::AscendingOrder);
        model.sort(1, Qt::DescendingOrder);
        QCOMPARE(latitudes(model), (QStringList{"41.01", ""}));
    }

    void appendKeepsOrderAndDuplicates()
    {
        LocationListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.append(LocationEntry{QStringLiteral("1"), QStringLiteral("1"), {}});
        model.append(numbered(3));
        model.append(std::vector<LocationEntry>{});
        model.append(LocationEntry{QStringLiteral("1"), QStringLiteral("1"), {}});
        model.append(numbered(2));
        QCOMPARE(latitudes(model), (QStringList{"1", "0", "1", "2", "1", "0", "1"}));
        // One insertion per call, however many rows it brings; none for nothing.
        QCOMPARE(inserted.size(), 4);
        QCOMPARE(inserted.at(1).at(1).toInt(), 1);
        QCOMPARE(inserted.at(1).at(2).toInt(), 3);
        QCOMPARE(model.entries()[2].comment, QStringLiteral("c1"));
    }

    void removeSelected_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<Range>>("ranges");
        QTest::addColumn<QStringList>("remaining");

        QTest::newRow("nothing selected") << 5 << QList<Range>{} << numbers({{0, 4}});
        QTest::newRow("one row") << 5 << QList<Range>{{2, 2, 0, 2}} << numbers({{0, 1}, {3, 4}});
        QTest::newRow("every row") << 5 << QList<Range>{{0, 4, 0, 2}} << QStringList{};
        QTest::newRow("first and last") << 5 << QList<Range>{{4, 4, 0, 2}, {0, 0, 0, 2}} << numbers({{1, 3}});
        QTest::newRow("one cell selects its row")
            << 5 << QList<Range>{{3, 3, 2, 2}} << numbers({{0, 2}, {4, 4}});
        QTest::newRow("overlapping ranges")
            << 10 << QList<Range>{{2, 5, 0, 2}, {4, 7, 0, 2}, {3, 3, 0, 0}} << numbers({{0, 1}, {8, 9}});
        QTest::newRow("adjacent ranges")
            << 10 << QList<Range>{{2, 3, 0, 2}, {4, 4, 0, 2}, {5, 6, 1, 1}} << numbers({{0, 1}, {7, 9}});
        QTest::newRow("same row in every column")
            << 4 << QList<Range>{{1, 1, 0, 0}, {1, 1, 1, 1}, {1, 1, 2, 2}} << numbers({{0, 0}, {2, 3}});

        // Many separate runs: every other row of a hundred, and a scattered mix.
        QList<Range> everyOther;
        QStringList odd;
        for (int row = 0; row < 100; ++row) {
            if (row % 2 == 0)
                everyOther.append(Range{row, row, 0, 2});
            else
                odd << QString::number(row);
        }
        QTest::newRow("every other row") << 100 << everyOther << odd;
        QList<Range> scattered;
        QStringList kept;
        for (int run = 0; run < 40; ++run)
            scattered.prepend(Range{run * 5 + 1, run * 5 + 3, 0, 2});
        for (int row = 0; row < 205; ++row) {
            if (row >= 200 || row % 5 == 0 || row % 5 == 4)
                kept << QString::number(row);
        }
        QTest::newRow("forty runs given back to front") << 205 << scattered << kept;
    }
    void removeSelected()
    {
        QFETCH(int, rows);
        QFETCH(QList<Range>, ranges);
        QFETCH(QStringList, remaining);

        LocationListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.append(numbered(rows));
        QItemSelection selection;
        for (const Range &r : ranges)
            selection.append(QItemSelectionRange(model.index(r[0], r[2]), model.index(r[1], r[3])));
        model.removeSelected(selection);
        QCOMPARE(latitudes(model), remaining);
        // The rows that stay keep all their texts together.
        for (int row = 0; row < model.rowCount(); ++row) {
            const QString n = model.index(row, 0).data().toString();
            QCOMPARE(model.index(row, 1).data().toString(), QStringLiteral("lon") + n);
            QCOMPARE(model.index(row, 2).data().toString(), QStringLiteral("c") + n);
        }
    }

    void selectionOfAnotherModelRemovesNothing()
    {
        LocationListModel model;
        LocationListModel other;
        model.append(numbered(3));
        other.append(numbered(3));
        model.removeSelected(QItemSelection(other.index(0, 0), other.index(2, 2)));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(other.rowCount(), 3);
    }
};

QTEST_GUILESS_MAIN(TestLocationListModel)
#include "tst_locationlistmodel.moc"
