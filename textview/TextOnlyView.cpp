#include "textview/TextOnlyView.h"

#include "document/PrivateCopy.h"
#include "document/SourceScan.h"
#include "document/TextOnly.h"

#include <QDir>

#include <cerrno>
#include <unistd.h>

namespace {

// Text up to this many bytes is filtered in memory; a larger one into a file
// of ours that no name reaches, read on demand as any large file.
qsizetype gHeld = 8 << 20;

bool WriteAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

void TTextOnlyView::SetHeldBytes(qsizetype bytes)
{
    gHeld = bytes;
}

TTextOnlyView::TTextOnlyView(std::unique_ptr<TDerivedText> art) : m_art(std::move(art))
{
    m_hints.Wrap = true;
}

void TTextOnlyView::Build(const TTextBuffer &bytes)
{
    const TTextBuffer *source = &bytes;
    if (m_art) {
        m_art->Build(bytes);
        source = &m_art->Text();
    }
    m_stopped = false;
    m_failure.clear();
    const TCharset charset = source->Charset();
    const qsizetype lines = source->LineCount();
    const auto text = [source, charset](qsizetype line) {
        return Charset::ToText(charset, source->Slice(source->LineStart(line), source->LineEnd(line)));
    };
    m_text.SetCharset(charset);
    if (source->Length() <= gHeld) {
        QStringList all;
        all.reserve(lines);
        for (qsizetype line = 0; line < lines; ++line)
            all << text(line);
        m_text.Load(Charset::Encode(charset, TextOnly::Filter(all).join(u'\n')));
        return;
    }
    // Two passes in order, the first for the indent the lines share; each
    // line's bytes are read and let go.
    const auto step = [this, lines](qsizetype line, int pass) {
        if (line % 4096 != 0 || !m_progress || m_progress(qint64(pass) * lines + line, 2 * qint64(lines)))
            return true;
        m_stopped = true;
        m_text.Load({});
        return false;
    };
    TextOnly::TFilter filter;
    for (qsizetype line = 0; line < lines; ++line) {
        if (!step(line, 0))
            return;
        filter.Measure(text(line));
    }
    const QString folder = TDecodedSource::CopyFolder();
    QDir().mkpath(folder);
    const int fd = TPrivateCopy::UnnamedFile(folder);
    QByteArray out;
    bool failed = fd < 0;
    for (qsizetype line = 0; line < lines && !failed; ++line) {
        if (!step(line, 1)) {
            ::close(fd);
            return;
        }
        filter.Put(text(line), [&out, charset](const QString &kept) {
            out += Charset::Encode(charset, kept);
            out += '\n';
        });
        if (out.size() >= (4 << 20)) {
            failed = !WriteAll(fd, out);
            out.resize(0);
        }
    }
    if (failed || !WriteAll(fd, out.endsWith('\n') ? out.chopped(1) : out)) {
        if (fd >= 0)
            ::close(fd);
        m_failure = QStringLiteral("Text only: cannot write into %1").arg(folder);
        m_text.Load({});
        return;
    }
    const std::shared_ptr<TSourceFile> file = TSourceFile::Adopt(fd, QStringLiteral("Text only"));
    TDecodedSource::TShape shape;
    shape.End = file->Size();
    shape.LfOnly = true;
    m_text.SetBreaks(TTextBuffer::TBreaks::LfOnly);
    m_text.Open(std::make_shared<TDecodedSource>(file, shape));
    TSourceScan scan(file, shape);
    for (bool last = false; !last;) {
        const TScanBatch batch = scan.Next();
        m_text.AppendSource(batch);
        last = batch.Last || batch.State != TSourceFile::TState::Intact;
    }
}

QString TTextOnlyView::Note() const
{
    return m_failure.isEmpty() ? QStringLiteral("Text only: editing is off") : m_failure;
}
