#include "platform/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {
TDialogs *g_override = nullptr;
}

QStringList TFileDialogState::NameFilters() const
{
    const QStringList parts = Filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return result;
}

TDialogs &TDialogs::Instance()
{
    static TQtDialogs qtDialogs;
    return g_override ? *g_override : qtDialogs;
}

void TDialogs::SetInstance(TDialogs *dialogs)
{
    g_override = dialogs;
}

TModalResult TQtDialogs::Confirm(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return TModalResult::mrYes;
    if (box.clickedButton() == no)
        return TModalResult::mrNo;
    return TModalResult::mrCancel;
}

int TQtDialogs::Ask(QWidget *parent, const QString &text, const QStringList &buttons, int defaultButton)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton, parent);
    QList<QPushButton *> pushed;
    for (qsizetype k = 0; k < buttons.size(); ++k)
        pushed << box.addButton(buttons[k], k + 1 == buttons.size() ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    if (pushed.isEmpty())
        return -1;
    box.setDefaultButton(pushed.value(defaultButton, pushed.constFirst()));
    box.setEscapeButton(pushed.constLast());
    box.exec();
    const qsizetype chosen = pushed.indexOf(qobject_cast<QPushButton *>(box.clickedButton()));
    return int(chosen >= 0 ? chosen : pushed.size() - 1);
}

void TQtDialogs::Error(QWidget *parent, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void TQtDialogs::Warning(QWidget *parent, const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

std::optional<QString> TQtDialogs::RunFileDialog(QWidget *parent, TFileDialogState &state, bool save)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A typed name that does not exist is allowed: the load then reports it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDefaultSuffix(state.DefaultExt);
    const QStringList filters = state.NameFilters();
    dialog.setNameFilters(filters);
    if (state.LastFilterIndex >= 0 && state.LastFilterIndex < filters.size())
        dialog.selectNameFilter(filters[state.LastFilterIndex]);
    if (!state.LastFileName.isEmpty())
        dialog.selectFile(state.LastFileName);
    dialog.setSizeGripEnabled(true);
    if (!state.Title.isEmpty())
        dialog.setWindowTitle(state.Title);
    // The options go below the file list of the toolkit's own dialog.
    QList<QWidget *> options;
    if (!state.Options.isEmpty()) {
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
        auto *row = new QHBoxLayout;
        for (const TDialogOption &option : std::as_const(state.Options)) {
            QWidget *widget;
            if (option.Choices.isEmpty()) {
                auto *box = new QCheckBox(option.Caption, &dialog);
                box->setChecked(option.Chosen != 0);
                widget = box;
            } else {
                auto *label = new QLabel(option.Caption, &dialog);
                auto *choices = new QComboBox(&dialog);
                choices->addItems(option.Choices);
                choices->setCurrentIndex(option.Chosen);
                label->setBuddy(choices);
                label->setEnabled(option.Enabled);
                row->addWidget(label);
                widget = choices;
            }
            widget->setEnabled(option.Enabled);
            row->addWidget(widget);
            options << widget;
        }
        row->addStretch();
        if (grid)
            grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    state.LastFileName = dialog.selectedFiles().constFirst();
    state.LastFilterIndex = int(filters.indexOf(dialog.selectedNameFilter()));
    for (qsizetype k = 0; k < options.size(); ++k) {
        if (auto *box = qobject_cast<QCheckBox *>(options[k]))
            state.Options[k].Chosen = box->isChecked() ? 1 : 0;
        else if (auto *choices = qobject_cast<QComboBox *>(options[k]))
            state.Options[k].Chosen = choices->currentIndex();
    }
    return state.LastFileName;
}

std::optional<QString> TQtDialogs::OpenFileName(QWidget *parent, TFileDialogState &state)
{
    return RunFileDialog(parent, state, false);
}

std::optional<QString> TQtDialogs::SaveFileName(QWidget *parent, TFileDialogState &state)
{
    return RunFileDialog(parent, state, true);
}

std::optional<QColor> TQtDialogs::Color(QWidget *parent, const QColor &initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

std::optional<QFont> TQtDialogs::Font(QWidget *parent, const TFontDialogRequest &request)
{
    // A face that is not installed is shown as the face that stands in for it.
    QFont initial = request.Initial;
    if (!QFontDatabase::hasFamily(initial.family()))
        initial.setFamily(QFontInfo(initial).family());
    // Preselect the style that matches weight and slant, not the first listed.
    for (const QString &style : QFontDatabase::styles(initial.family())) {
        // Oblique faces do not count as italic, so they are told by name.
        const bool slanted = QFontDatabase::italic(initial.family(), style)
            || style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive);
        if (slanted == initial.italic() && QFontDatabase::weight(initial.family(), style) == initial.weight()) {
            initial.setStyleName(style);
            break;
        }
    }
    QFontDialog dialog(initial, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog, true);
    // No effects group: underline and strike-out are not the document's to have.
    // The sample shares a row with the effects: it is given room of its own.
    for (QGroupBox *group : dialog.findChildren<QGroupBox *>()) {
        if (group->findChild<QCheckBox *>())
            group->hide();
        else if (auto *sample = group->findChild<QLineEdit *>())
            sample->setMinimumHeight(3 * sample->fontMetrics().height());
    }
    const auto clamped = [&request](QFont font) {
        if (font.pointSize() > 0)
            font.setPointSize(std::clamp(font.pointSize(), request.MinSize, request.MaxSize));
        return font;
    };
    // The Apply button hands the current choice to the caller without closing.
    if (auto *buttons = dialog.findChild<QDialogButtonBox *>()) {
        QPushButton *apply = buttons->addButton(QDialogButtonBox::Apply);
        QObject::connect(apply, &QPushButton::clicked, &dialog, [&dialog, &request, &clamped] {
            if (request.OnApply)
                request.OnApply(clamped(dialog.currentFont()));
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return clamped(dialog.selectedFont());
}

void TQtDialogs::Beep()
{
    QApplication::beep();
}
