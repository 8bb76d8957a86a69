#include "app/Application.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "controls/ProCtrls.h"
#include "platform/Errors.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    RegisterProCursors(); // before any window exists
    setApplicationName(QStringLiteral("glimra"));
    SetApplicationTitle(QString::fromLatin1(Title));
    setProperty("HelpFile", QString::fromLatin1(HelpFile));
}

int TApplication::Run()
{
    Main = new TMain();
    Map = new TMap(Main);
    About = new TAbout(Main);
    Main->show();
    const int result = exec();
    delete About;
    delete Map;
    delete Main;
    About = nullptr;
    Map = nullptr;
    Main = nullptr;
    return result;
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleCurrentException();
        return false;
    }
}
