#pragma once
// Tells the edit history when a scroll bar or slider of the editor is held
// down and let go, so that all that a held arrow, a dragged thumb or a held
// key changes is one step. Installed on the application: a release is seen
// wherever it goes, even one the wait filter drops or sends later.

#include "operations/EditHistory.h"

#include <QObject>

namespace ksr {

class FrmEq;

class HeldControls final : public QObject {
public:
    HeldControls(FrmEq &editor, EditHistory &history);
    ~HeldControls() override;
    HeldControls(const HeldControls &) = delete;
    HeldControls &operator=(const HeldControls &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Whether `object` is one of the editor's scroll bars or sliders.
    bool IsEditorControl(QObject *object) const;

    FrmEq &editor_;
    EditHistory &history_;
};

} // namespace ksr
