// Shows the About or the feedback window as the program does, for a look at it under Xvfb:
//   thermira_window_preview about [menu]
//   thermira_window_preview feedback [like|dislike] [message]
#include "about/taboutbox.h"
#include "feedback/tfeedbackform.h"
#include "identity/identity.h"
#include "service/makersite.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/thermira.svg")));
    AppCompanyName = QStringLiteral("PALVEX");
    AppProductName = QStringLiteral("Thermira");
    AppCaption = AppCompanyName + QStringLiteral(" - ") + AppProductName;
    AppVersion = QStringLiteral("2.0");
    setMakerHostForTesting(QStringLiteral("www.palvex.com"));

    const QStringList args = app.arguments();
    const QString which = args.value(1, QStringLiteral("about"));
    if (which == QStringLiteral("feedback")) {
        auto *form = new TFeedbackForm;
        if (args.value(2) == QStringLiteral("like"))
            QTest::mouseClick(form->Panel4, Qt::LeftButton);
        else if (args.value(2) == QStringLiteral("dislike"))
            QTest::mouseClick(form->Panel5, Qt::LeftButton);
        form->Memo1->setPlainText(args.value(3));
        return form->exec();
    }
    auto *box = new TAboutBox(QDir::currentPath());
    if (args.value(2) == QStringLiteral("menu"))
        QTimer::singleShot(500, box->BitBtn2, &QPushButton::click);
    return box->exec();
}
