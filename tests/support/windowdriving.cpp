#include "windowdriving.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

QStringList listRows(const QAbstractItemModel *model)
{
    QStringList result;
    for (int row = 0; row < model->rowCount(); ++row) {
        result << model->index(row, 0).data().toString() + u'|' + model->index(row, 1).data().toString() + u'|' +
                      model->index(row, 2).data().toString();
    }
    return result;
}

void choosePopupItem(QWidget *viewport, QMenu *popup, QAction *item)
{
    const QPoint at(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &event);
    QVERIFY(popup->isVisible());
    QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(item).center());
    QTRY_VERIFY(!popup->isVisible());
}
