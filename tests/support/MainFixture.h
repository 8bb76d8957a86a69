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

    QString WriteFile(const QString &name, const QByteArray &bytes) const; // full path
    static QByteArray ReadFile(const QString &path);

    QTemporaryDir Dir;
    ScriptedDialogs Dialogs;
    TMain *Window = nullptr;
};
