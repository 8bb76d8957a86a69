#include "support/ScriptedDialogs.h"

ScriptedDialogs::ScriptedDialogs()
{
    TDialogs::SetInstance(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    TDialogs::SetInstance(nullptr);
}

QStringList ScriptedDialogs::Texts(const QString &kind) const
{
    QStringList result;
    for (const Shown &shown : Log) {
        if (shown.Kind == kind)
            result << shown.Text;
    }
    return result;
}

TModalResult ScriptedDialogs::Confirm(QWidget *, const QString &text)
{
    Log.append({QStringLiteral("Confirm"), QStringLiteral("Confirm"), text});
    return ConfirmAnswers.isEmpty() ? TModalResult::mrCancel : ConfirmAnswers.dequeue();
}

int ScriptedDialogs::Ask(QWidget *, const QString &text, const QStringList &buttons, int defaultButton)
{
    Log.append({QStringLiteral("Ask"), buttons.join(u'|'), text, defaultButton});
    return AskAnswers.isEmpty() ? defaultButton : AskAnswers.dequeue();
}

void ScriptedDialogs::Error(QWidget *, const QString &caption, const QString &text)
{
    Log.append({QStringLiteral("Error"), caption, text});
}

void ScriptedDialogs::Warning(QWidget *, const QString &caption, const QString &text)
{
    Log.append({QStringLiteral("Warning"), caption, text});
}

std::optional<QString> ScriptedDialogs::NextFile(const QString &kind, TFileDialogState &state)
{
    Log.append({kind, state.Title, state.LastFileName});
    std::optional<QString> answer = FileAnswers.isEmpty() ? std::nullopt : FileAnswers.dequeue();
    if (answer)
        state.LastFileName = *answer;
    return answer;
}

std::optional<QString> ScriptedDialogs::OpenFileName(QWidget *, TFileDialogState &state)
{
    return NextFile(QStringLiteral("Open"), state);
}

std::optional<QString> ScriptedDialogs::SaveFileName(QWidget *, TFileDialogState &state)
{
    if (OnSave)
        OnSave(state);
    return NextFile(QStringLiteral("Save"), state);
}

std::optional<QColor> ScriptedDialogs::Color(QWidget *, const QColor &initial)
{
    Log.append({QStringLiteral("Color"), QString(), initial.name()});
    return ColorAnswers.isEmpty() ? std::nullopt : ColorAnswers.dequeue();
}

std::optional<QFont> ScriptedDialogs::Font(QWidget *, const TFontDialogRequest &request)
{
    Log.append({QStringLiteral("Font"), QString(), request.Initial.family()});
    return FontAnswers.isEmpty() ? std::nullopt : FontAnswers.dequeue();
}

void ScriptedDialogs::Beep()
{
    ++Beeps;
}
