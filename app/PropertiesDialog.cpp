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
    if (const std::optional<TSauce> &s = properties.Record) {
        record->addRow(QStringLiteral("Title:"), Value(Text(s->Title), box));
        record->addRow(QStringLiteral("Author:"), Value(Text(s->Author), box));
        record->addRow(QStringLiteral("Group:"), Value(Text(s->Group), box));
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
        connect(RemoveButton, &QPushButton::clicked, this, [this, box] {
            m_change = TChange::pcRemove;
            box->setTitle(QStringLiteral("Record of the art (removed when the file is saved)"));
            box->setEnabled(false);
            RemoveButton->setEnabled(false);
        });
    } else {
        record->addRow(new QLabel(QStringLiteral("The file has no record. Fill in the fields to add one:"), box));
        for (auto [edit, caption, name, length] : {std::tuple{&TitleEdit, "&Title:", "TitleEdit", 35},
                                                   {&AuthorEdit, "&Author:", "AuthorEdit", 20},
                                                   {&GroupEdit, "&Group:", "GroupEdit", 20}}) {
            *edit = new QLineEdit(box);
            (*edit)->setObjectName(QString::fromLatin1(name));
            (*edit)->setMaxLength(length);
            record->addRow(QString::fromLatin1(caption), *edit);
        }
        record->addRow(QStringLiteral("Date:"), Value(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat), box));
        record->addRow(QStringLiteral("Size:"), Value(QStringLiteral("%1 x %2 characters").arg(properties.Width).arg(properties.Lines), box));
        AddButton = buttons->addButton(QStringLiteral("A&dd Record"), QDialogButtonBox::ActionRole);
        AddButton->setObjectName(QStringLiteral("AddButton"));
        connect(AddButton, &QPushButton::clicked, this, [this] {
            m_change = TChange::pcAdd;
            accept();
        });
    }
    layout->addWidget(box);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        m_change = TChange::pcNone;
        reject();
    });
}

TSauce TPropertiesDialog::NewRecord(quint32 fileSize) const
{
    return Sauce::New(TitleEdit ? TitleEdit->text() : QString(), AuthorEdit ? AuthorEdit->text() : QString(),
                      GroupEdit ? GroupEdit->text() : QString(), m_properties.Width, m_properties.Lines, fileSize);
}
