#pragma once
// The look of the whole program: the light one of the platform (the
// default), or a dark one for dark rooms. Here are the application's palette
// for each and where the choice is kept between sessions; the program's own
// colours are in core/LookColours.h.

#include <QPalette>
#include <QString>

namespace ksr {

// The palette of the standard controls in the dark look.
QPalette DarkPalette();
// Gives the application the dark palette (with a style that follows it),
// or back the light one of the platform and the style it had.
void ApplyApplicationLook(bool dark);

// Where the look is kept: the INI file at `path`, or the user's own settings
// of ksr704-remote when `path` is empty.
class LookSetting {
public:
    explicit LookSetting(QString path = {}) : path_(std::move(path)) {}
    // The saved choice; light when none was saved.
    bool DarkLook() const;
    void SaveDarkLook(bool dark) const;

private:
    QString path_;
};

} // namespace ksr
