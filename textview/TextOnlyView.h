#pragma once
// The words of a document without its art, as the text control shows them in
// place of the bytes (View > Text Only): drawn in the control's own face and
// colours, read-only. Colour art gives the characters it draws.

#include "textview/DerivedText.h"

#include <functional>
#include <memory>

class TTextOnlyView : public TDerivedText
{
public:
    // art: the view of colour art whose drawn characters are read, or null
    // to read the bytes as text.
    explicit TTextOnlyView(std::unique_ptr<TDerivedText> art = nullptr);

    void Build(const TTextBuffer &bytes) override;
    QString Note() const override;

    // Told how far a build of a large text is; false stops it, and the text
    // is then empty.
    void SetProgress(std::function<bool(qint64, qint64)> progress) { m_progress = std::move(progress); }
    bool Stopped() const { return m_stopped; }
    // Text larger than this is filtered into a file of ours; tests make it small.
    static void SetHeldBytes(qsizetype bytes);

private:
    std::unique_ptr<TDerivedText> m_art;
    std::function<bool(qint64, qint64)> m_progress;
    bool m_stopped = false;
    QString m_failure;
};
