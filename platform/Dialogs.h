#pragma once
// The seam through which every modal box and standard dialog is reached, so
// that tests can answer them without a person.

#include <QColor>
#include <QList>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

enum class TModalResult { mrYes, mrNo, mrCancel };

// A choice a file dialog offers below the file list: a list of Choices, or
// a check box when there are none (Chosen 0 or 1).
struct TDialogOption
{
    QString Caption;
    QStringList Choices;
    int Chosen = 0;
    bool Enabled = true;
};

// A file dialog's settings and the memory of its own last successful use.
struct TFileDialogState
{
    QString Filter;           // "Description|*.ext|..." pairs, as the program writes them
    QString DefaultExt;       // without the dot
    QString LastFileName;     // full path chosen at the last successful use, or proposed
    int LastFilterIndex = 0;  // index into the filter's pairs
    QString Title;            // the window's title; empty for the toolkit's own
    QList<TDialogOption> Options; // what was chosen is written back on success

    QStringList NameFilters() const; // the pairs in Qt's "Description (*.ext)" form
};

// Settings of the Font dialog and the callback of its Apply button.
struct TFontDialogRequest
{
    QFont Initial;
    int MinSize = 6;
    int MaxSize = 72;
    std::function<void(const QFont &)> OnApply;
};

class TDialogs
{
public:
    virtual ~TDialogs() = default;

    // "Confirm" box: question icon, "&Yes", "&No", "Cancel"; Yes default, Esc is Cancel.
    virtual TModalResult Confirm(QWidget *parent, const QString &text) = 0;
    // A "Confirm" box with buttons of its own: the index of the one chosen.
    // Enter takes the default; Esc (or closing the box) takes the last.
    virtual int Ask(QWidget *parent, const QString &text, const QStringList &buttons, int defaultButton) = 0;
    // A box with one OK button; the icon is the error icon.
    virtual void Error(QWidget *parent, const QString &caption, const QString &text) = 0;
    // A box with one OK button and the exclamation icon.
    virtual void Warning(QWidget *parent, const QString &caption, const QString &text) = 0;
    virtual std::optional<QString> OpenFileName(QWidget *parent, TFileDialogState &state) = 0;
    virtual std::optional<QString> SaveFileName(QWidget *parent, TFileDialogState &state) = 0;
    virtual std::optional<QColor> Color(QWidget *parent, const QColor &initial) = 0;
    virtual std::optional<QFont> Font(QWidget *parent, const TFontDialogRequest &request) = 0;
    virtual void Beep() = 0;

    // The implementation in use; the Qt one unless a test put another in its place.
    static TDialogs &Instance();
    static void SetInstance(TDialogs *dialogs); // nullptr restores the Qt one
};

// The real boxes and dialogs.
class TQtDialogs : public TDialogs
{
public:
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
    std::optional<QString> RunFileDialog(QWidget *parent, TFileDialogState &state, bool save);
};
