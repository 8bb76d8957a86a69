#include "platform/FindDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(tr("Find"));
    setModal(false);

    auto *label = new QLabel(tr("Fi&nd what:"), this);
    m_findWhat = new QLineEdit(this);
    m_findWhat->setObjectName(QStringLiteral("FindWhat"));
    m_findWhat->setMaxLength(MaxFindTextLength);
    label->setBuddy(m_findWhat);

    // The direction is offered and kept, but the search always runs forward.
    auto *direction = new QGroupBox(tr("Direction"), this);
    m_up = new QRadioButton(tr("&Up"), direction);
    m_up->setObjectName(QStringLiteral("Up"));
    m_down = new QRadioButton(tr("&Down"), direction);
    m_down->setObjectName(QStringLiteral("Down"));
    m_down->setChecked(true);
    auto *directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);

    m_findNext = new QPushButton(tr("&Find Next"), this);
    m_findNext->setObjectName(QStringLiteral("FindNext"));
    m_findNext->setDefault(true);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Cancel"));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_findNext);
    buttons->addWidget(m_cancel);
    buttons->addStretch();

    auto *fields = new QGridLayout;
    fields->addWidget(label, 0, 0);
    fields->addWidget(m_findWhat, 0, 1);
    fields->addWidget(direction, 1, 1, Qt::AlignRight);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    connect(m_findWhat, &QLineEdit::textChanged, this, &TFindDialog::UpdateFindNext);
    connect(m_findNext, &QPushButton::clicked, this, &TFindDialog::Find);
    connect(m_cancel, &QPushButton::clicked, this, &TFindDialog::reject);
    UpdateFindNext();
}

QString TFindDialog::FindText() const
{
    return m_findWhat->text();
}

void TFindDialog::SetFindText(const QString &text)
{
    m_findWhat->setText(text.left(MaxFindTextLength));
}

TFindDialog::TDirection TFindDialog::Direction() const
{
    return m_up->isChecked() ? fdUp : fdDown;
}

void TFindDialog::SetDirection(TDirection direction)
{
    (direction == fdUp ? m_up : m_down)->setChecked(true);
}

void TFindDialog::Execute()
{
    m_findWhat->setFocus();
    m_findWhat->selectAll();
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

QRect TFindDialog::ClearOf(const QRect &frame, const QRect &avoid, const QRect &room)
{
    if (!frame.intersects(avoid))
        return frame;
    QRect moved = frame;
    if (!room.isValid() || avoid.bottom() + 1 + frame.height() <= room.bottom() + 1)
        moved.moveTop(avoid.bottom() + 1);
    else if (avoid.top() - frame.height() >= room.top())
        moved.moveBottom(avoid.top() - 1);
    else
        moved.moveTop(room.top()); // no room on either side: as far from it as it goes
    return moved;
}

void TFindDialog::MoveClearOf(const QRect &globalRect)
{
    if (!isVisible())
        return;
    const QRect room = screen() ? screen()->availableGeometry() : QRect();
    const QRect frame = frameGeometry();
    const QRect moved = ClearOf(frame, globalRect, room);
    if (moved != frame)
        move(pos() + moved.topLeft() - frame.topLeft());
}

void TFindDialog::UpdateFindNext()
{
    m_findNext->setEnabled(!m_findWhat->text().isEmpty());
}
