#pragma once
// File > Properties: the document's file, size, lines and character set,
// and the art's record, whose texts can be edited, which can be removed, or
// added to art without one.

#include "formats/Sauce.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

struct TDocumentProperties
{
    QString FileName;
    qint64 FileSize = -1; // -1: no file
    qint64 Lines = 0; // rows of the art: a break at the end starts no row
    qint64 Width = 0; // of the widest line, in cells
    QString Charset;
    std::optional<TSauce> Record;
};

class TPropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    enum class TChange { pcNone, pcRemove, pcAdd, pcEdit };

    explicit TPropertiesDialog(const TDocumentProperties &properties, QWidget *parent = nullptr);

    TChange Change() const { return m_change; }
    // The record to write. Added: title, author and group as typed, today's
    // date, the width of the widest line and the number of lines. Edited:
    // the record read, with the texts as typed. Its FileSize is set when
    // the file is written.
    TSauce NewRecord() const;

    QPushButton *RemoveButton = nullptr;
    QPushButton *AddButton = nullptr;
    QLineEdit *TitleEdit = nullptr;
    QLineEdit *AuthorEdit = nullptr;
    QLineEdit *GroupEdit = nullptr;

private:
    QStringList Typed() const;  // title, author and group as in the fields
    QStringList Stored() const; // as the record read holds them

    TDocumentProperties m_properties;
    TChange m_change = TChange::pcNone;
};
