#pragma once

#include <QStringList>

class QAbstractItemModel;
class QAction;
class QMenu;
class QWidget;

// Driving the main window's list as a user does.

// The rows of the location list's model as "latitude|longitude|comment" texts.
QStringList listRows(const QAbstractItemModel *model);

// Right-clicks into the view and chooses an item of its popup menu with the mouse.
void choosePopupItem(QWidget *viewport, QMenu *popup, QAction *item);
