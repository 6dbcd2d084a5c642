#pragma once
// What the memory dump and the demo fill show on the windows around the editor.

#include <QString>

namespace ksr {

class DumpDisplay {
public:
    virtual ~DumpDisplay() = default;
    // The splash window's label, repainted at once.
    virtual void SetSplashLabel(const QString &text) = 0;
    // Hides the editor while it is filled, shows it again afterwards.
    virtual void SetEditorVisible(bool visible) = 0;
    virtual void SetMainCaption(const QString &text) = 0;
    // The main window's pointer back to the default arrow.
    virtual void RestoreMainPointer() = 0;
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
