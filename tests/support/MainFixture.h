#pragma once
// Puts the program's three windows up for a test, with scripted dialogs and
// settings in a temporary directory.

#include "app/Unit1.h"
#include "support/ScriptedDialogs.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// Points the per-user settings at a fresh temporary directory; call before
// anything reads them.
void UseTemporarySettings(QTemporaryDir &dir);

struct MainFixture
{
    MainFixture();
    ~MainFixture();

    // Starts the windows again on the same settings, as a second run would;
    // closing first writes the preferences.
    void Restart(bool close = true);

    QString WriteFile(const QString &name, const QByteArray &bytes) const; // full path
    static QByteArray ReadFile(const QString &path);

    QTemporaryDir Dir;
    ScriptedDialogs Dialogs;
    TMain *Window = nullptr;

private:
    void CreateWindows();
    void DestroyWindows();
};
