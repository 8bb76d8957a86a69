#pragma once
// A read-only text the text control can show in place of the document's
// bytes, made from them: the drawn characters of colour art (a line a screen
// row, each character with its ink and paper), or the art's text without its
// frames. Find, selection and Copy work on it as on any text; editing is off
// while it is shown.

#include "document/Links.h"
#include "document/TextBuffer.h"
#include "textview/TextRenderer.h"

#include <QColor>
#include <QFont>
#include <QString>

class TDerivedText : public TextRenderer::TCellLooks
{
public:
    // How it asks to be drawn, but for the face.
    struct THints
    {
        bool NinthColumn = false; // letters nine pixels apart
        QColor Paper;             // around the text; invalid for the control's background
        qsizetype Columns = 0;    // the fewest columns a picture of it has
        bool Wrap = true;         // whether word wrap may break its lines
        bool Blinks = false;      // some of its characters blink
        int Stretch = 100;        // row height in percent of the face's, as a CRT stretched it
    };

    // Makes the text again from the document's bytes.
    virtual void Build(const TTextBuffer &bytes) = 0;
    // What the status bar says of it (that it was cut short), or empty.
    virtual QString Note() const { return {}; }
    bool LookAt(qsizetype, TextRenderer::TCellLook *) const override { return false; }
    // Links of its own (not addresses in its text) in the line that holds
    // [from, to), as positions of the text, sorted.
    virtual QList<TLink> LinksNear(qsizetype, qsizetype) const { return {}; }
    // The face it is drawn in when the control's is family.
    virtual QString FamilyFor(const QString &family) const { return family; }
    // The control's font in that face (a monospace face standing in where it is missing).
    QFont FontFor(const QFont &font) const
    {
        QFont own = font;
        own.setFamilies({FamilyFor(font.family()), QStringLiteral("DejaVu Sans Mono")});
        return own;
    }

    TTextBuffer &Text() { return m_text; }
    const TTextBuffer &Text() const { return m_text; }
    const THints &Hints() const { return m_hints; }

protected:
    TTextBuffer m_text;
    THints m_hints;
};
