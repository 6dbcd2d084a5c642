#pragma once
// Where the view's choices are kept between sessions: the look, the
// editor's scale and whether it fits the window, and the stage remote's
// switch, port and address, in the INI file at a path, or in the user's own
// settings of ksr704-remote when the path is empty.

#include <QString>

namespace ksr {

class ViewSettings {
public:
    explicit ViewSettings(QString path = {}) : path_(std::move(path)) {}

    // The saved look; light when none was saved.
    bool DarkLook() const;
    void SaveDarkLook(bool dark) const;
    // The saved scale of the editor (1 when none or no number) and whether it
    // fits the window.
    double Scale() const;
    bool Fit() const;
    void SaveZoom(double scale, bool fit) const;
    // The stage remote: on or off (off unless saved), its port
    // (DefaultRemotePort unless a valid one was saved), and the address it
    // listens on (empty: every address of the machine).
    static constexpr int DefaultRemotePort = 47704;
    bool RemoteOn() const;
    int RemotePort() const;
    QString RemoteAddress() const;
    void SaveRemote(bool on, int port, const QString &address) const;

private:
    QString path_;
};

} // namespace ksr
