#pragma once
// Colour art as the text control shows it: the screen its bytes draw (ANSI
// art or binary text), a line a row, each character in its ink on its paper,
// in the face and letter spacing the art's record asks for.

#include "formats/AnsiScreen.h"
#include "formats/FileFormat.h"
#include "textview/DerivedText.h"

#include <QByteArray>

#include <memory>
#include <vector>

class TRichEdit;

class TAnsiView : public TDerivedText
{
public:
    // The view of a document read in format, or null for text.
    static std::unique_ptr<TAnsiView> For(const TFileFormat &format);
    // A file's text (as FileFormat::ToDocument gives it) into the control:
    // art with only LF breaking its lines, so that it is written back byte
    // for byte, and shown in colour (in the control's face with keepFace).
    static void Load(TRichEdit &edit, QByteArray text, const TFileFormat &format, bool keepFace = false);

    // recordFont: the face the art's record names, or empty.
    TAnsiView(TArtKind kind, int width, bool iceColors, bool ninthColumn, const QByteArray &recordFont);

    void Build(const TTextBuffer &bytes) override;
    QString Note() const override;
    bool LookAt(qsizetype pos, TextRenderer::TCellLook *look) const override;
    // The record's font where its text-mode face is installed, else the
    // control's face when it is a text-mode face, else the VGA's 16-line
    // face where installed; with keepFace, the control's face always.
    QString FamilyFor(const QString &family) const override;
    bool Cut() const { return m_cut; }

private:
    TArtKind m_kind;
    int m_width;
    bool m_ice;
    QString m_recordFamily;
    bool m_keepFace = false;
    bool m_cut = false;
    std::vector<TAnsiCell> m_cells; // one a position of the text, line breaks included
    std::vector<quint32> m_colors;
};
