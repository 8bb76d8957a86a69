#include "app/DocumentLoader.h"

#include "textview/RichEdit.h"

#include <QElapsedTimer>
#include <QTimerEvent>

namespace {

qint64 gSliceBytes = 2 << 20;

} // namespace

void TDocumentLoader::SetSliceBytes(qint64 bytes)
{
    gSliceBytes = bytes;
}

TDocumentLoader::TDocumentLoader(TRichEdit *edit, TDocumentRest rest, QObject *parent)
    : QObject(parent), m_edit(edit), m_rest(std::move(rest)), m_start(m_rest.File->pos())
{
    m_timer.start(0, this);
}

int TDocumentLoader::Percent() const
{
    const qint64 total = m_rest.End - m_start;
    return total <= 0 ? 100 : int(100 * (m_rest.File->pos() - m_start) / total);
}

bool TDocumentLoader::Slice()
{
    if (m_done)
        return false;
    const qint64 left = m_rest.End - m_rest.File->pos();
    // One piece buffer for the whole load: a new one each slice would be
    // fresh memory to fault in every time.
    const qint64 want = std::min(left, gSliceBytes);
    if (m_piece.size() < want)
        m_piece.resize(qsizetype(want));
    const qint64 got = left > 0 ? m_rest.File->read(m_piece.data(), want) : 0;
    const QByteArrayView bytes(m_piece.constData(), qsizetype(std::max<qint64>(got, 0)));
    // Fewer bytes than asked: the file shrank or the medium failed. Nothing
    // half read is left to be saved over the original.
    if (left > 0 && got != want) {
        m_done = m_failed = true;
        m_timer.stop();
        emit Failed();
        return false;
    }
    const bool last = m_rest.File->pos() >= m_rest.End;
    m_edit->AppendLoaded(bytes, last);
    if (last) {
        m_done = true;
        m_timer.stop();
        m_rest.File->close();
        emit Finished();
        return false;
    }
    return true;
}

void TDocumentLoader::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    // Slices for a few milliseconds, then the window's own events.
    QElapsedTimer time;
    time.start();
    while (time.elapsed() < 8 && Slice()) {
    }
    if (!m_done)
        emit Progress(Percent());
}

void TDocumentLoader::Stop()
{
    m_done = true;
    m_timer.stop();
    m_rest.File->close();
}

bool TDocumentLoader::Finish()
{
    while (Slice()) {
    }
    return !m_failed;
}
