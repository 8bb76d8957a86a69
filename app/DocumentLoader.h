#pragma once
// Reads the rest of a large file into the text control in slices on the event
// loop, so that the window shows the first screen at once and stays
// responsive: scrolling, Find over what is read, copying and closing work
// meanwhile. A read that fails or comes up short ends in Failed.

#include "app/DocumentFile.h"

#include <QBasicTimer>
#include <QObject>

class TRichEdit;

class TDocumentLoader : public QObject
{
    Q_OBJECT

public:
    TDocumentLoader(TRichEdit *edit, TDocumentRest rest, QObject *parent = nullptr);

    // Reads what is left now; false when the read failed (Failed was sent).
    bool Finish();
    int Percent() const;
    // Reads no more: closing or opening another file stops the load at once.
    void Stop();

    // The bytes one slice reads at most; tests make them few.
    static void SetSliceBytes(qint64 bytes);

signals:
    void Progress(int percent);
    void Finished();
    void Failed();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    bool Slice(); // false once done or failed

    TRichEdit *m_edit;
    TDocumentRest m_rest;
    qint64 m_start;
    QBasicTimer m_timer;
    QByteArray m_piece;
    bool m_done = false;
    bool m_failed = false;
};
