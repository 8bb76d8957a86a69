#pragma once
// Answers the program's boxes and standard dialogs from queues instead of a
// person, and records what was shown. Installed for its lifetime.

#include "platform/Dialogs.h"

#include <QList>
#include <functional>
#include <QQueue>
#include <QString>

class ScriptedDialogs : public TDialogs
{
public:
    struct Shown
    {
        QString Kind; // "Confirm", "Ask" (Caption: its buttons, "|" between), "Error", "Warning", "Open", "Save", "Color", "Font"
        QString Caption; // a file dialog's title
        QString Text;    // a file dialog's proposed file
        int Default = -1; // the button Enter takes in a question of its own (Ask)
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Answers, taken in order; an empty queue answers Cancel.
    QQueue<TModalResult> ConfirmAnswers;
    QQueue<int> AskAnswers; // an empty queue answers as Enter does: the default
    QQueue<std::optional<QString>> FileAnswers;
    QQueue<std::optional<QColor>> ColorAnswers;
    QQueue<std::optional<QFont>> FontAnswers;
    // What is chosen in a Save dialog's options, as a person would.
    std::function<void(TFileDialogState &)> OnSave;

    QList<Shown> Log;
    int Beeps = 0;

    QStringList Texts(const QString &kind) const;

    TModalResult Confirm(QWidget *parent, const QString &text) override;
    int Ask(QWidget *parent, const QString &text, const QStringList &buttons, int defaultButton) override;
    void Error(QWidget *parent, const QString &caption, const QString &text) override;
    void Warning(QWidget *parent, const QString &caption, const QString &text) override;
    std::optional<QString> OpenFileName(QWidget *parent, TFileDialogState &state) override;
    std::optional<QString> SaveFileName(QWidget *parent, TFileDialogState &state) override;
    std::optional<QColor> Color(QWidget *parent, const QColor &initial) override;
    std::optional<QFont> Font(QWidget *parent, const TFontDialogRequest &request) override;
    void Beep() override;

private:
    std::optional<QString> NextFile(const QString &kind, TFileDialogState &state);
};
