// The main window's view preferences: the font and its text-mode faces,
// zoom, the two colours and the named colour schemes.

#include "app/Unit1.h"

#include "app/MainCommands.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/StatusBar.h"
#include "render/TextModeFace.h"
#include "textview/RichEdit.h"

#include <QActionGroup>
#include <QFontInfo>
#include <QMenu>

#include <algorithm>

// View, "Text-Mode Font": the faces whose console fonts are installed; absent
// where there are none. The standard Font dialog lists only outline faces.
void TMain::BuildTextModeMenu()
{
    const QStringList families = TTextModeFace::Families();
    if (families.isEmpty())
        return;
    QMenu *view = m_menus.value(QStringLiteral("View1"));
    auto *sub = new QMenu(QStringLiteral("Te&xt-Mode Font"), view);
    sub->setObjectName(QStringLiteral("TextModeFont1"));
    sub->menuAction()->setObjectName(sub->objectName());
    sub->menuAction()->setStatusTip(QStringLiteral("Draw the text in the PC's text-mode font"));
    const QList<QAction *> viewItems = view->actions();
    const auto after = std::find_if(viewItems.begin(), viewItems.end(), [](QAction *a) { return a->objectName() == QLatin1String("Colors1"); });
    view->insertMenu(after != viewItems.end() && after + 1 != viewItems.end() ? *(after + 1) : nullptr, sub);
    m_menus.insert(sub->objectName(), sub);
    m_items.insert(sub->objectName(), sub->menuAction());
    const QStringList captions = WithAccessKeys(families);
    for (qsizetype k = 0; k < families.size(); ++k) {
        const QString family = families[k];
        QAction *action = sub->addAction(captions[k]);
        action->setData(family);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, Guarded([this, family] { TextModeFontClick(family); }));
    }
    connect(sub, &QMenu::aboutToShow, this, [this, sub] {
        for (QAction *action : sub->actions())
            action->setChecked(action->data().toString() == richedit->font().family());
    });
}

void TMain::UpdateFontPanel()
{
    // The face drawn, not the name asked for, which may not be installed.
    const QFont font = richedit->ShownFont();
    const TTextModeFace *face = TTextModeFace::Find(font.family());
    StatusBar1->SetPanelText(2, FontPanelText(TTextModeFace::DrawnFamily(font), font.pointSize(),
                                              face ? face->Scale(font, nullptr) : 0));
}

void TMain::SetFontSize(int pointSize)
{
    QFont font = richedit->font();
    font.setPointSize(pointSize);
    richedit->SetTextFont(font);
}

void TMain::ApplyDialogFont(const QFont &chosen)
{
    // Face, size and style come from the dialog; the text keeps its colour and
    // the code page of its characters.
    QFont font = richedit->font();
    font.setFamily(chosen.family());
    font.setPointSize(chosen.pointSize() > 0 ? chosen.pointSize() : font.pointSize());
    font.setBold(chosen.bold());
    font.setItalic(chosen.italic());
    font.setWeight(chosen.weight());
    richedit->SetTextFont(font);
}

void TMain::FontButonClick()
{
    TFontDialogRequest request;
    request.Initial = richedit->font();
    request.Initial.setFamily(QFontInfo(richedit->font()).family()); // the outline face drawn
    request.OnApply = Guarded(this, &TMain::FontDialogApply);
    if (const std::optional<QFont> font = TDialogs::Instance().Font(this, request))
        ApplyDialogFont(*font);
    UpdateFontPanel();
}

void TMain::FontDialogApply(const QFont &font)
{
    ApplyDialogFont(font);
    UpdateFontPanel();
}

void TMain::ZoomIn1Click()
{
    Zoom(+1);
}

void TMain::ZoomOutButonClick()
{
    Zoom(-1);
}

// A step of zoom; a text-mode face steps between its whole multiples.
void TMain::Zoom(int step)
{
    // The face shown: colour art may be drawn in a text-mode face of its own.
    const int size = richedit->font().pointSize();
    const TTextModeFace *face = TTextModeFace::Find(richedit->ShownFont().family());
    const int zoomed = step == 0 ? NormalSize(face ? face->Height() : 0, richedit->logicalDpiY())
                                 : ZoomedSize(size, step, face ? face->Height() : 0, richedit->logicalDpiY());
    if (zoomed == size && step != 0) {
        TDialogs::Instance().Beep();
        return;
    }
    SetFontSize(zoomed);
    UpdateFontPanel();
}

// Chooses a text-mode face, or, chosen again, leaves it for the outline face
// used before.
void TMain::TextModeFontClick(const QString &family)
{
    QFont font = richedit->font();
    if (font.family() == family) {
        font.setFamily(m_outlineFamily);
    } else {
        if (!TTextModeFace::Find(font.family()))
            m_outlineFamily = font.family();
        font.setFamily(family);
    }
    richedit->SetTextFont(font);
    UpdateFontPanel();
}

void TMain::BColorButtonClick()
{
    if (const std::optional<QColor> color = TDialogs::Instance().Color(this, m_lastDialogColor)) {
        m_lastDialogColor = *color;
        richedit->SetColors(richedit->TextColor(), *color);
        m_customText = richedit->TextColor(); // the user's own pair now
        m_customBackground = *color;
    }
}

void TMain::FColorButtonClick()
{
    if (const std::optional<QColor> color = TDialogs::Instance().Color(this, m_lastDialogColor)) {
        m_lastDialogColor = *color;
        richedit->SetColors(*color, richedit->BackgroundColor());
        m_customText = *color;
        m_customBackground = richedit->BackgroundColor();
    }
}

// ---- Colour schemes ----

void TMain::BuildSchemeMenu()
{
    QMenu *view = m_menus.value(QStringLiteral("View1"));
    auto *sub = new QMenu(QStringLiteral("Co&lor Scheme"), view);
    sub->setObjectName(QStringLiteral("ColourScheme1"));
    sub->menuAction()->setObjectName(sub->objectName());
    sub->menuAction()->setStatusTip(QStringLiteral("Text and background colors at once"));
    view->insertMenu(Item("N12"), sub);
    m_menus.insert(sub->objectName(), sub);
    m_items.insert(sub->objectName(), sub->menuAction());
    auto *group = new QActionGroup(sub);
    const std::span<const TColourScheme> schemes = ColourSchemes();
    for (size_t k = 0; k <= schemes.size(); ++k) {
        if (k == schemes.size())
            sub->addSeparator();
        const bool custom = k == schemes.size();
        QAction *item = sub->addAction(custom ? QStringLiteral("&Custom") : QString::fromLatin1(schemes[k].Caption));
        item->setObjectName(custom ? QStringLiteral("SchemeCustom1") : QString::fromLatin1(schemes[k].Name));
        item->setCheckable(true);
        group->addAction(item);
        m_items.insert(item->objectName(), item);
        connect(item, &QAction::triggered, this, Guarded([this, k, custom] { SchemeClick(custom ? -1 : int(k)); }));
    }
    connect(sub, &QMenu::aboutToShow, this, &TMain::UpdateSchemeChecks);
}

// A scheme, or the user's own pair (-1), sets both colours; the user's own
// pair is kept aside first, so that Custom brings it back.
void TMain::SchemeClick(int scheme)
{
    const QColor text = richedit->TextColor(), background = richedit->BackgroundColor();
    if (SchemeOf(text.rgb(), background.rgb()) < 0) {
        m_customText = text;
        m_customBackground = background;
    }
    if (scheme < 0) {
        if (m_customText.isValid())
            richedit->SetColors(m_customText, m_customBackground);
    } else {
        const TColourScheme &chosen = ColourSchemes()[size_t(scheme)];
        richedit->SetColors(QColor::fromRgb(chosen.Text), QColor::fromRgb(chosen.Background));
    }
    UpdateSchemeChecks();
}

void TMain::UpdateSchemeChecks()
{
    const int scheme = SchemeOf(richedit->TextColor().rgb(), richedit->BackgroundColor().rgb());
    const std::span<const TColourScheme> schemes = ColourSchemes();
    for (size_t k = 0; k < schemes.size(); ++k)
        Item(schemes[k].Name)->setChecked(int(k) == scheme);
    Item("SchemeCustom1")->setChecked(scheme < 0);
    Item("SchemeCustom1")->setEnabled(scheme < 0 || m_customText.isValid());
}
