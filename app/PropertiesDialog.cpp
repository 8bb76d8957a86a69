#include "app/PropertiesDialog.h"

#include "platform/Cp437.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The record's texts are code page 437 bytes.
QString Text(const QByteArray &bytes)
{
    return Cp437::Decode(bytes);
}

QString DateText(const QByteArray &date)
{
    const QDate d = QDate::fromString(QString::fromLatin1(date), QStringLiteral("yyyyMMdd"));
    return d.isValid() ? QLocale().toString(d, QLocale::ShortFormat) : QString::fromLatin1(date);
}

QLabel *Value(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TPropertiesDialog::TPropertiesDialog(const TDocumentProperties &properties, QWidget *parent)
    : QDialog(parent), m_properties(properties)
{
    setObjectName(QStringLiteral("PropertiesDialog"));
    setWindowTitle(QStringLiteral("Properties"));
    auto *layout = new QVBoxLayout(this);
    auto *file = new QFormLayout;
    file->addRow(QStringLiteral("File:"), Value(properties.FileName, this));
    QString size = QStringLiteral("not saved");
    if (properties.FileSize >= 0) {
        size = QStringLiteral("%1 bytes").arg(QLocale().toString(properties.FileSize));
        if (properties.FileSize >= 1024)
            size = QLocale().formattedDataSize(properties.FileSize) + QStringLiteral(" (") + size + u')';
    }
    file->addRow(QStringLiteral("Size:"), Value(size, this));
    file->addRow(QStringLiteral("Lines:"), Value(QLocale().toString(properties.Lines), this));
    file->addRow(QStringLiteral("Character set:"), Value(properties.Charset, this));
    layout->addLayout(file);

    auto *box = new QGroupBox(QStringLiteral("Record of the art"), this);
    auto *record = new QFormLayout(box);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    const std::optional<TSauce> &s = properties.Record;
    if (!s)
        record->addRow(new QLabel(QStringLiteral("The file has no record. Fill in the fields to add one:"), box));
    // The texts are typed in place, with or without a record.
    for (auto [edit, caption, name, length, text] :
         {std::tuple{&TitleEdit, "&Title:", "TitleEdit", 35, s ? s->Title : QByteArray()},
          {&AuthorEdit, "&Author:", "AuthorEdit", 20, s ? s->Author : QByteArray()},
          {&GroupEdit, "&Group:", "GroupEdit", 20, s ? s->Group : QByteArray()}}) {
        *edit = new QLineEdit(Text(text), box);
        (*edit)->setObjectName(QString::fromLatin1(name));
        (*edit)->setMaxLength(length);
        record->addRow(QString::fromLatin1(caption), *edit);
    }
    if (s) {
        record->addRow(QStringLiteral("Date:"), Value(DateText(s->Date), box));
        record->addRow(QStringLiteral("Type:"), Value(s->DataTypeName() + QStringLiteral(", ") + s->FileTypeName(), box));
        if (s->Width() > 0)
            record->addRow(QStringLiteral("Size:"), Value(QStringLiteral("%1 x %2 characters").arg(s->Width()).arg(s->Height()), box));
        if (!s->FlagsText().isEmpty())
            record->addRow(QStringLiteral("Flags:"), Value(s->FlagsText(), box));
        record->addRow(QStringLiteral("Font:"), Value(Text(s->Font), box));
        if (!s->Comments.isEmpty()) {
            auto *comments = new QPlainTextEdit(box);
            comments->setReadOnly(true);
            QStringList lines;
            for (const QByteArray &line : s->Comments)
                lines << Text(line);
            comments->setPlainText(lines.join(u'\n'));
            record->addRow(QStringLiteral("Comments:"), comments);
        }
        RemoveButton = buttons->addButton(QStringLiteral("&Remove Record"), QDialogButtonBox::ActionRole);
        RemoveButton->setObjectName(QStringLiteral("RemoveButton"));
        RemoveButton->setAutoDefault(false);
        connect(RemoveButton, &QPushButton::clicked, this, [this, box] {
            m_change = TChange::pcRemove;
            box->setTitle(QStringLiteral("Record of the art (removed when the file is saved)"));
            box->setEnabled(false);
            RemoveButton->setEnabled(false);
        });
    } else {
        record->addRow(QStringLiteral("Date:"), Value(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat), box));
        record->addRow(QStringLiteral("Size:"), Value(QStringLiteral("%1 x %2 characters").arg(properties.Width).arg(properties.Lines), box));
        AddButton = buttons->addButton(QStringLiteral("A&dd Record"), QDialogButtonBox::ActionRole);
        AddButton->setObjectName(QStringLiteral("AddButton"));
        AddButton->setAutoDefault(false);
        connect(AddButton, &QPushButton::clicked, this, [this] {
            m_change = TChange::pcAdd;
            accept();
        });
    }
    layout->addWidget(box);
    layout->addWidget(buttons);
    // OK (and Enter in a field) keeps what was typed: a record is added when
    // a field is filled, a record's texts are written when they changed.
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_change == TChange::pcNone)
            m_change = m_properties.Record ? (Typed() != Stored() ? TChange::pcEdit : TChange::pcNone)
                                           : (Typed().join(QString()).isEmpty() ? TChange::pcNone : TChange::pcAdd);
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        m_change = TChange::pcNone;
        reject();
    });
    TitleEdit->setFocus(); // typing at once fills the title, never the document behind
}

QStringList TPropertiesDialog::Typed() const
{
    return {TitleEdit->text(), AuthorEdit->text(), GroupEdit->text()};
}

QStringList TPropertiesDialog::Stored() const
{
    const std::optional<TSauce> &s = m_properties.Record;
    return s ? QStringList{Text(s->Title), Text(s->Author), Text(s->Group)} : QStringList{{}, {}, {}};
}

TSauce TPropertiesDialog::NewRecord() const
{
    const TSauce added = Sauce::New(TitleEdit->text(), AuthorEdit->text(), GroupEdit->text(), m_properties.Width,
                                    m_properties.Lines, 0);
    if (!m_properties.Record)
        return added;
    TSauce edited = *m_properties.Record;
    edited.Title = added.Title;
    edited.Author = added.Author;
    edited.Group = added.Group;
    return edited;
}
