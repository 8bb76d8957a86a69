#pragma once
// The help layer: finds a help file as the old help engine did (the current
// directory, then the program's directory), then in the installed data folder,
// and shows it from its beginning.

#include <QString>
#include <QWidget>

class QTextBrowser;

// Full path of the help file, or empty when it is in none of these places.
QString FindHelpFile(const QString &name, const QString &currentDir, const QString &programDir);

class THelpViewer : public QWidget
{
    Q_OBJECT
public:
    explicit THelpViewer(QWidget *parent = nullptr);
    void ShowFile(const QString &path); // at its beginning
    QString FileName() const { return m_fileName; }

protected:
    void keyPressEvent(QKeyEvent *event) override; // Esc closes it, as a dialog

private:
    QTextBrowser *m_browser;
    QString m_fileName;
};

// Opens the help file's contents in the one help viewer of the owner.
// A missing file is reported by the viewer's own box; the result says whether
// it was shown.
bool WinHelp(QWidget *owner, const QString &helpFile);
