#pragma once
// The editor's controls without widgets, for the programs and fuzz targets
// that send parameters with no editor on screen: every value and text kept in
// arrays, values clamped to the ranges the real controls have, texts as the
// real editor starts with them. Setting a value raises no change handling,
// which the operations only ever do with UpdatingControls set, where the
// real handlers ignore it; clearing the link box needs none either, since
// the operations set LinkFlag themselves. An index out of range changes
// nothing and reads 0 or an empty text, as on the real editor.

#include "core/EditorControls.h"
#include "core/CurveRedraw.h"
#include "core/Tables.h"
#include "operations/DumpDisplay.h"

#include <QString>

#include <algorithm>
#include <array>

namespace ksr {

class MemoryControls final : public EditorControls {
public:
    static constexpr int SettingControls = 6;

    // The texts the editor starts with, every row enabled, values at 0.
    MemoryControls();

    int HScroll20Value(int f) const override { return Get(hscroll20, f, 0); }
    void SetHScroll20Value(int f, int value) override { Set(hscroll20, f, std::clamp(value, 0, 45)); }
    int HScroll30Value(int f) const override { return Get(hscroll30, f, 0); }
    void SetHScroll30Value(int f, int value) override { Set(hscroll30, f, std::clamp(value, 0, 3)); }
    int HScroll6Value(int f) const override { return Get(hscroll6, f, 0); }
    void SetHScroll6Value(int f, int value) override { Set(hscroll6, f, std::clamp(value, 0, FrequencyCount - 1)); }

    QString Text1Text(int f) const override { return Get(text1, f, QString()); }
    void SetText1Text(int f, const QString &text) override { Set(text1, f, text); }
    QString Text2Text(int f) const override { return Get(text2, f, QString()); }
    void SetText2Text(int f, const QString &text) override { Set(text2, f, text); }
    QString Text3Text(int f) const override { return Get(text3, f, QString()); }
    void SetText3Text(int f, const QString &text) override { Set(text3, f, text); }
    void SetRowEnabled(int f, bool enabled) override { Set(rowEnabled, f, enabled); }

    int SettingValue(SettingControl control, int c) const override
    {
        return Get(settingValues[Slot(control)], c, 0);
    }
    void SetSettingValue(SettingControl control, int c, int value) override
    {
        Set(settingValues[Slot(control)], c, std::clamp(value, 0, SettingMaximum[Slot(control)]));
    }
    QString SettingText(SettingControl control, int c) const override
    {
        return c == 0 || c == 1 ? settingTexts[static_cast<std::size_t>(c)][Slot(control)] : QString();
    }
    void SetSettingText(SettingControl control, int c, const QString &text) override
    {
        if (c == 0 || c == 1)
            settingTexts[static_cast<std::size_t>(c)][Slot(control)] = text;
    }

    bool Check2Value() const override { return check2; }
    void SetCheck2Value(bool checked) override { check2 = checked; }
    void SetEditorBusy(bool isBusy) override { busy = isBusy; }
    QString Label7Caption() const override { return label7; }
    void SetLabel7Caption(const QString &text) override { label7 = text; }
    QString Label8Caption() const override { return label8; }
    void SetLabel8Caption(const QString &text) override { label8 = text; }

    std::array<int, FilterCount> hscroll20{};
    std::array<int, FilterCount> hscroll30{};
    std::array<int, FilterCount> hscroll6{};
    std::array<QString, FilterCount> text1;
    std::array<QString, FilterCount> text2;
    std::array<QString, FilterCount> text3;
    std::array<bool, FilterCount> rowEnabled{};
    // Per setting control (in SettingControl's order), per channel.
    std::array<std::array<int, 2>, SettingControls> settingValues{};
    std::array<std::array<QString, SettingControls>, 2> settingTexts;
    bool check2 = false;
    bool busy = false;
    QString label7 = QStringLiteral("Preset loaded from Device");
    QString label8 = QStringLiteral("program");

private:
    // The scroll bars' and the slider's maxima, in SettingControl's order.
    static constexpr std::array<int, SettingControls> SettingMaximum = {11, 3, 1, 1, 1, 15};

    static std::size_t Slot(SettingControl control) { return static_cast<std::size_t>(control); }

    template <typename T, std::size_t N>
    static T Get(const std::array<T, N> &values, int index, T outside)
    {
        return index >= 0 && static_cast<std::size_t>(index) < N ? values[static_cast<std::size_t>(index)] : outside;
    }
    template <typename T, std::size_t N>
    static void Set(std::array<T, N> &values, int index, const T &value)
    {
        if (index >= 0 && static_cast<std::size_t>(index) < N)
            values[static_cast<std::size_t>(index)] = value;
    }
};

class NoCurves final : public CurveRedraw {
public:
    // No curve to recompute or draw.
    void RedrawChannel(int) override {}
    void RedrawFilters(int, int) override {}
    void RedrawBothChannels() override {}
};

class NoWindows final : public DumpDisplay {
public:
    // No splash, editor window or main window to show anything on.
    void SetSplashLabel(const QString &) override {}
    void SetEditorVisible(bool) override {}
    void SetMainCaption(const QString &) override {}
    void RestoreMainPointer() override {}
};

} // namespace ksr
