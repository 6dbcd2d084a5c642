#include "editor/NotchRowEditing.h"

#include "editor/EditorView.h"
#include "editor/FrmEq.h"
#include "editor/KeyPress.h"
#include "core/Encodings.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace ksr {

namespace {

const QString WarningTitle = QStringLiteral("Warning");

bool IsDigit(int key)
{
    return key >= '0' && key <= '9';
}

} // namespace

std::optional<double> BoxNumber(const QString &text, bool minusAllowed)
{
    // The rules of the typed keys hold for pasted or dropped text as well:
    // digits only, "1e3", "2.5" or " 5" are no number here.
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression signedDigits(QStringLiteral("^-?[0-9]+$"));
    if (!(minusAllowed ? signedDigits : digits).match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

NotchRowEditing::NotchRowEditing(AppState &state, FrmEq &editor, ParameterEditing &editing, EditorView &view,
                                 UserDialogs &dialogs)
    : state_(state), editor_(editor), editing_(editing), view_(view), dialogs_(dialogs)
{
    for (int f = 0; f < FilterCount; ++f) {
        const auto i = static_cast<std::size_t>(f);
        // valueChanged comes for arrow and trough steps and for the dragged thumb alike.
        QObject::connect(editor.HScroll6[i], &QScrollBar::valueChanged, editor.HScroll6[i],
                         [this, f](int v) { HScroll6_Change(f, v); });
        QObject::connect(editor.HScroll20[i], &QScrollBar::valueChanged, editor.HScroll20[i],
                         [this, f](int v) { HScroll20_Change(f, v); });
        QObject::connect(editor.HScroll30[i], &QScrollBar::valueChanged, editor.HScroll30[i],
                         [this, f](int v) { HScroll30_Change(f, v); });
        new KeyPressFilter(editor.Text1[i], [this, f](int key) { return Text1_KeyPress(f, key); });
        new KeyPressFilter(editor.Text2[i], [this, f](int key) { return Text2_KeyPress(f, key); });
    }
}

void NotchRowEditing::HScroll6_Change(int f, int value)
{
    if (state_.UpdatingControls)
        return;
    editor_.SetText2Text(f, FrequencyText(FreqTable[static_cast<std::size_t>(value)]));
    editing_.EditNotchFrequency(f, value);
}

void NotchRowEditing::HScroll20_Change(int f, int value)
{
    if (state_.UpdatingControls)
        return;
    editor_.SetText1Text(f, QString::number(value - 45));
    editing_.EditNotchGain(f, value);
}

void NotchRowEditing::HScroll30_Change(int f, int value)
{
    if (state_.UpdatingControls)
        return;
    editor_.SetText3Text(f, WidthTextOf(value));
    editing_.EditNotchWidth(f, value);
}

int NotchRowEditing::RejectKey(const QString &warning)
{
    dialogs_.ShowMessage({warning, WarningTitle, MessageIcon::None, MessageButtons::Ok, MessageAnswer::Ok});
    return KeyQuestionMark;
}

int NotchRowEditing::Text1_KeyPress(int f, int key)
{
    if (state_.UpdatingControls)
        return key;
    if (IsDigit(key) || key == KeyBackspace || key == '-')
        return key;
    const QString warning = QStringLiteral("  Incorrect value");
    const std::optional<double> typed = key == KeyEnter ? BoxNumber(editor_.Text1Text(f), true) : std::nullopt;
    if (!typed)
        return RejectKey(warning);
    const int step = NearestGainStep(std::clamp(*typed, -45.0, 0.0));
    // The box shows the step taken while it goes out, also where the value did not change.
    editor_.SetText1Text(f, QString::number(step - 45));
    editing_.EditNotchGain(f, step);
    view_.ShowNotch(f);
    return key;
}

int NotchRowEditing::Text2_KeyPress(int f, int key)
{
    if (state_.UpdatingControls)
        return key;
    if (IsDigit(key) || key == KeyBackspace)
        return key;
    const QString warning = QStringLiteral("  Incorrect frequency value");
    const std::optional<double> typed = key == KeyEnter ? BoxNumber(editor_.Text2Text(f), false) : std::nullopt;
    if (!typed)
        return RejectKey(warning);
    const int index = NearestFrequencyIndex(std::clamp(*typed, 20.0, 20000.0));
    editor_.SetText2Text(f, FrequencyText(FreqTable[static_cast<std::size_t>(index)]));
    editing_.EditNotchFrequency(f, index);
    view_.ShowNotch(f);
    return key;
}

} // namespace ksr
