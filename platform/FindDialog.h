#pragma once
// The Find dialog: modeless, lives for the whole run and keeps its text to
// find and its direction when hidden. It only asks; the main window searches.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

class TFindDialog : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString FindText READ FindText WRITE SetFindText)
    Q_PROPERTY(TDirection Direction READ Direction WRITE SetDirection)

public:
    enum TDirection { fdUp, fdDown };
    Q_ENUM(TDirection)

    static constexpr int MaxFindTextLength = 255;

    explicit TFindDialog(QWidget *parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString &text); // cut to MaxFindTextLength
    TDirection Direction() const;
    void SetDirection(TDirection direction);

    // Shows the dialog, or brings it to the front when it is already open.
    void Execute();
    // Moves the dialog off a rectangle of the screen (the text it found)
    // when it covers it.
    void MoveClearOf(const QRect &globalRect);
    // Where a window at frame goes so as not to cover avoid, within room:
    // where it is when it covers nothing, else just below avoid, or just
    // above it where there is no room below; across, it stays.
    static QRect ClearOf(const QRect &frame, const QRect &avoid, const QRect &room);

signals:
    // Find Next was pressed (or Enter, its default button).
    void Find();

private:
    void UpdateFindNext();

    QLineEdit *m_findWhat;
    QRadioButton *m_up;
    QRadioButton *m_down;
    QPushButton *m_findNext;
    QPushButton *m_cancel;
};
