#include "shell/ViewSettings.h"

#include <QSettings>

#include <cmath>
#include <memory>

namespace ksr {

namespace {

const QString DarkLookKey = QStringLiteral("View/DarkLook");
const QString ScaleKey = QStringLiteral("View/Scale");
const QString FitKey = QStringLiteral("View/Fit");
const QString RemoteOnKey = QStringLiteral("Remote/On");
const QString RemotePortKey = QStringLiteral("Remote/Port");
const QString RemoteAddressKey = QStringLiteral("Remote/Address");

std::unique_ptr<QSettings> OpenSettings(const QString &path)
{
    if (path.isEmpty())
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           QStringLiteral("ksr704-remote"), QStringLiteral("ksr704-remote"));
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace

bool ViewSettings::DarkLook() const
{
    return OpenSettings(path_)->value(DarkLookKey, false).toBool();
}

void ViewSettings::SaveDarkLook(bool dark) const
{
    const auto settings = OpenSettings(path_);
    settings->setValue(DarkLookKey, dark);
    settings->sync();
}

double ViewSettings::Scale() const
{
    // What is no finite number (a damaged or hand-edited file) is actual size.
    bool number = false;
    const double scale = OpenSettings(path_)->value(ScaleKey, 1.0).toDouble(&number);
    return number && std::isfinite(scale) ? scale : 1.0;
}

bool ViewSettings::Fit() const
{
    return OpenSettings(path_)->value(FitKey, false).toBool();
}

void ViewSettings::SaveZoom(double scale, bool fit) const
{
    const auto settings = OpenSettings(path_);
    settings->setValue(ScaleKey, scale);
    settings->setValue(FitKey, fit);
    settings->sync();
}

bool ViewSettings::RemoteOn() const
{
    return OpenSettings(path_)->value(RemoteOnKey, false).toBool();
}

int ViewSettings::RemotePort() const
{
    bool ok = false;
    const int port = OpenSettings(path_)->value(RemotePortKey, DefaultRemotePort).toInt(&ok);
    return ok && port > 0 && port < 65536 ? port : DefaultRemotePort;
}

QString ViewSettings::RemoteAddress() const
{
    return OpenSettings(path_)->value(RemoteAddressKey).toString();
}

void ViewSettings::SaveRemote(bool on, int port, const QString &address) const
{
    const auto settings = OpenSettings(path_);
    settings->setValue(RemoteOnKey, on);
    settings->setValue(RemotePortKey, port);
    settings->setValue(RemoteAddressKey, address);
    settings->sync();
}

} // namespace ksr
