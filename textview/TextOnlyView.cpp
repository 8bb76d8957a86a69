#include "textview/TextOnlyView.h"

#include "document/TextOnly.h"

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
    QStringList lines;
    lines.reserve(source->LineCount());
    for (qsizetype line = 0; line < source->LineCount(); ++line)
        lines << Charset::ToText(source->Charset(), source->Slice(source->LineStart(line), source->LineEnd(line)));
    m_text.SetCharset(source->Charset());
    m_text.Load(Charset::Encode(source->Charset(), TextOnly::Filter(lines).join(u'\n')));
}

QString TTextOnlyView::Note() const
{
    return QStringLiteral("Text only: editing is off");
}
