#include "editor/EditorView.h"

#include "editor/EditorToolTips.h"
#include "editor/FrmEq.h"
#include "graph/ResponseGraph.h"
#include "operations/ParameterSending.h"

namespace ksr {

namespace {

constexpr std::uint32_t AllFilters = (std::uint32_t{1} << FilterCount) - 1;

} // namespace

EditorView::EditorView(AppState &state, const PresetModel &model, FrmEq &editor, ResponseGraph &graph)
    : state_(state), model_(model), editor_(editor), graph_(graph)
{
    QObject::connect(&model, &PresetModel::Changed, &editor,
                     [this](const PresetChange &change) { ModelChanged(change); });
}

void EditorView::ShowNotchFields(int f, bool gain, bool frequency, bool width)
{
    const ControlsUpdate updating(state_);
    if (gain) {
        const int step = model_.NotchGainStep(f);
        editor_.SetHScroll20Value(f, step);
        editor_.SetText1Text(f, QString::number(step - 45));
    }
    if (frequency) {
        const int index = model_.NotchFrequencyIndex(f);
        editor_.SetHScroll6Value(f, index);
        editor_.SetText2Text(f, FrequencyText(FreqTable[static_cast<std::size_t>(index)]));
    }
    if (width) {
        const int index = model_.NotchWidth(f);
        editor_.SetHScroll30Value(f, index);
        editor_.SetText3Text(f, WidthTextOf(index));
    }
}

void EditorView::ShowNotch(int f)
{
    ShowNotchFields(f, true, true, true);
}

void EditorView::ShowSetting(SettingControl control, int c)
{
    const ControlsUpdate updating(state_);
    const int position = model_.SettingPosition(control, c);
    editor_.SetSettingValue(control, c, position);
    editor_.SetSettingText(control, c, SettingShownText(control, position));
}

void EditorView::ShowSettings(int c)
{
    for (const AutoSettingField &field : AutoSettingFields)
        ShowSetting(field.control, c);
    ShowRowsEnabled(c);
}

void EditorView::ShowRowsEnabled(int c)
{
    for (int row = 0; row < FiltersPerChannel; ++row) {
        const int f = FiltersPerChannel * c + row;
        editor_.SetRowEnabled(f, !model_.IsAutomaticRow(f));
    }
    ExplainAutomaticRows(editor_, c, model_.AutoCount(c));
}

void EditorView::ShowLink()
{
    const ControlsUpdate updating(state_);
    editor_.SetCheck2Value(model_.Linked());
}

void EditorView::ModelChanged(const PresetChange &change)
{
    const bool all = change.wholeImage;
    for (int f = 0; f < FilterCount; ++f) {
        const std::uint32_t bit = std::uint32_t{1} << f;
        ShowNotchFields(f, all || (change.gains & bit) != 0, all || (change.frequencies & bit) != 0,
                        all || (change.widths & bit) != 0);
    }
    for (int c = 0; c < 2; ++c) {
        for (const AutoSettingField &field : AutoSettingFields) {
            if (all || change.SettingChanged(field.control, c))
                ShowSetting(field.control, c);
        }
        if (all || change.SettingChanged(SettingControl::HScroll1, c))
            ShowRowsEnabled(c);
    }
    if (all || change.link)
        ShowLink();
    if (all || change.captions) {
        editor_.SetLabel7Caption(model_.Source());
        editor_.SetLabel8Caption(model_.Name());
    }
    graph_.RedrawFilterSet(all ? AllFilters : change.Notches());
}

} // namespace ksr
