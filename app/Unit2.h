#pragma once
// The about box: name, release, build and links of the program.

#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class TAbout;
}

class TAbout : public QWidget
{
    Q_OBJECT
public:
    explicit TAbout(QWidget *owner);
    ~TAbout() override;

    // The title: the program's name and release, from the project version.
    static QString TitleText();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void ProButton1Click(QObject *Sender);

    // A window of its own rather than a child: disabling the main window
    // must not disable the box that enables it again.
    QPointer<QWidget> m_owner;
    std::unique_ptr<Ui::TAbout> ui;
};

extern TAbout *About;
