#pragma once
// The application object: title, help file, the three windows, and the
// top-level handler that shows every failure escaping an event handler.

#include <QApplication>

class TApplication : public QApplication
{
    Q_OBJECT
public:
    static constexpr const char *Title = "Glimra";
    static constexpr const char *HelpFile = "Glimra.hlp";

    TApplication(int &argc, char **argv);

    // Creates Main, Map and About in that order, shows Main, runs the loop.
    int Run();

    bool notify(QObject *receiver, QEvent *event) override;
};
