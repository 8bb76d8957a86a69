#pragma once
// The words of a document without its art, as the text control shows them in
// place of the bytes (View > Text Only): drawn in the control's own face and
// colours, read-only. Colour art gives the characters it draws.

#include "textview/DerivedText.h"

#include <memory>

class TTextOnlyView : public TDerivedText
{
public:
    // art: the view of colour art whose drawn characters are read, or null
    // to read the bytes as text.
    explicit TTextOnlyView(std::unique_ptr<TDerivedText> art = nullptr);

    void Build(const TTextBuffer &bytes) override;
    QString Note() const override;

private:
    std::unique_ptr<TDerivedText> m_art;
};
