#pragma once
// File > Properties: the document's file, size, lines and character set,
// and the art's record, which the dialog can remove, or add to art without one.

#include "formats/Sauce.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

struct TDocumentProperties
{
    QString FileName;
    qint64 FileSize = -1; // -1: no file
    qint64 Lines = 0;
    qint64 Width = 0; // of the widest line, in characters
    QString Charset;
    std::optional<TSauce> Record;
};

class TPropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    enum class TChange { pcNone, pcRemove, pcAdd };

    explicit TPropertiesDialog(const TDocumentProperties &properties, QWidget *parent = nullptr);

    TChange Change() const { return m_change; }
    // The record to add: title, author and group as typed, today's date,
    // the width of the widest line and the number of lines.
    TSauce NewRecord(quint32 fileSize) const;

    QPushButton *RemoveButton = nullptr;
    QPushButton *AddButton = nullptr;
    QLineEdit *TitleEdit = nullptr;
    QLineEdit *AuthorEdit = nullptr;
    QLineEdit *GroupEdit = nullptr;

private:
    TDocumentProperties m_properties;
    TChange m_change = TChange::pcNone;
};
