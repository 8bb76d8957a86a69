#pragma once
// Colour art as the text control shows it: the screen its bytes draw (ANSI
// art, PCBoard text, binary text, XBin, Artworx, iCEDraw, TundraDraw), a
// line a row, each character in its ink on its paper, in the file's own
// font and palette where it brings them, else in the face and letter
// spacing the art's record asks for. Hyperlinks become links, and blinking
// characters say so.

#include "formats/AnsiScreen.h"
#include "formats/ArtPicture.h"
#include "formats/FileFormat.h"
#include "formats/Sauce.h"
#include "textview/DerivedText.h"

#include <QByteArray>

#include <memory>
#include <optional>
#include <vector>

class TRichEdit;

// How ANSI art wraps at its right edge: chosen from the art itself, or as a
// DOS driver or a terminal does (see TAnsiScreen::TWrap).
enum class TAnsiWrap { awAutomatic, awDos, awTerminal };

class TAnsiView : public TDerivedText
{
public:
    // The view of a document read in format, or null for text.
    static std::unique_ptr<TAnsiView> For(const TFileFormat &format, TAnsiWrap wrap = TAnsiWrap::awAutomatic);
    // A file's text (as FileFormat::ToDocument gives it) into the control:
    // art with only LF breaking its lines, so that it is written back byte
    // for byte, and shown in colour (in the control's face with keepFace).
    static void Load(TRichEdit &edit, QByteArray text, const TFileFormat &format, bool keepFace = false,
                     TAnsiWrap wrap = TAnsiWrap::awAutomatic);
    // Whether art of a kind is text with codes that can be shown (F4) and
    // edited, rather than a picture.
    static bool HasCodes(TArtKind kind) { return kind == TArtKind::akAnsi || kind == TArtKind::akPcboard; }

    TAnsiView(TArtKind kind, const std::optional<TSauce> &record, TAnsiWrap wrap = TAnsiWrap::awAutomatic);

    void Build(const TTextBuffer &bytes) override;
    QString Note() const override;
    bool LookAt(qsizetype pos, TextRenderer::TCellLook *look) const override;
    QList<TLink> LinksNear(qsizetype from, qsizetype to) const override;
    // The target of the art's own hyperlink at a position, or empty.
    QString LinkAt(qsizetype pos) const;
    // The art's own font where it has one; else the record's font where its
    // face is installed; else the control's face when it is a text-mode
    // face, else the VGA's 16-line face where installed; with keepFace, the
    // control's face always.
    QString FamilyFor(const QString &family) const override;
    bool Cut() const { return m_cut; }
    // After Build: whether the art was drawn as on a terminal.
    bool DrawnForTerminal() const { return m_terminal; }
    // Rows stretched as the record's aspect-ratio flag asks (on a CRT, the
    // 400 lines of text mode filled a 4:3 screen).
    void SetStretch(bool on);

private:
    TArtPicture Draw(const TTextBuffer &bytes, bool terminal) const;
    // Whether art drawn as dos was made for a terminal; terminal receives
    // the terminal's drawing where it was made to decide.
    bool ChooseTerminal(const TTextBuffer &bytes, const TArtPicture &dos, std::optional<TArtPicture> &terminal) const;

    TArtKind m_kind;
    int m_width = 0;
    int m_height = 0;
    bool m_ice = false;
    bool m_aspect = false;
    TAnsiWrap m_wrap;
    bool m_terminal = false;
    QString m_recordFamily;
    QString m_recordNote; // which face stands in for the record's
    QString m_ownFamily;  // the art's own font, once drawn
    QString m_problem;
    bool m_keepFace = false;
    bool m_cut = false;
    std::vector<TAnsiCell> m_cells; // one a position of the text, line breaks included
    std::vector<quint32> m_colors;
    std::vector<QString> m_links;
};
