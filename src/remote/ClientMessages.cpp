#include "remote/ClientMessages.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace ksr {

namespace {

RemoteError Malformed(const QString &why, const QJsonValue &id = {})
{
    return {QStringLiteral("malformed"), why, id};
}

// An integer field within [low, high]; none when it is absent. Sets `error`
// when it is there but not such an integer.
std::optional<int> IntField(const QJsonObject &object, const char *key, int low, int high, std::optional<RemoteError> &error)
{
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (value.isUndefined())
        return std::nullopt;
    const double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || std::floor(number) != number || number < low || number > high) {
        error = Malformed(QStringLiteral("%1 must be an integer from %2 to %3").arg(QLatin1StringView(key)).arg(low).arg(high),
                          object.value(QStringLiteral("id")));
        return std::nullopt;
    }
    return static_cast<int>(number);
}

// A field that must be there.
std::optional<int> NeededInt(const QJsonObject &object, const char *key, int low, int high, std::optional<RemoteError> &error)
{
    const std::optional<int> value = IntField(object, key, low, high, error);
    if (!value && !error)
        error = Malformed(QStringLiteral("%1 is missing").arg(QLatin1StringView(key)), object.value(QStringLiteral("id")));
    return value;
}

std::variant<ClientMessage, RemoteError> ParseCommand(const QJsonObject &object)
{
    const QJsonValue id = object.value(QStringLiteral("id"));
    if (!id.isUndefined() && !id.isDouble() && !id.isString())
        return Malformed(QStringLiteral("id must be a number or a text"));
    const QJsonValue cmd = object.value(QStringLiteral("cmd"));
    if (!cmd.isString())
        return Malformed(QStringLiteral("cmd must be a text"), id);
    ClientMessage message;
    message.type = ClientMessage::Type::Command;
    RemoteCommand &command = message.command;
    command.name = cmd.toString();
    command.id = id;
    std::optional<RemoteError> error;
    const QString name = command.name;
    if (name == QLatin1String("search")) {
        command.kind = RemoteCommandKind::Search;
        const QString which = object.value(QStringLiteral("which")).toString();
        const QJsonValue on = object.value(QStringLiteral("on"));
        if (which == QLatin1String("both"))
            command.box = 0;
        else if (which == QLatin1String("left"))
            command.box = 1;
        else if (which == QLatin1String("right"))
            command.box = 2;
        else
            return Malformed(QStringLiteral("which must be both, left or right"), id);
        if (!on.isBool())
            return Malformed(QStringLiteral("on must be true or false"), id);
        command.on = on.toBool();
    } else if (name == QLatin1String("keepPlan") || name == QLatin1String("keep")) {
        command.kind = name == QLatin1String("keep") ? RemoteCommandKind::Keep : RemoteCommandKind::KeepPlan;
        command.channel = NeededInt(object, "channel", 0, 1, error).value_or(0);
    } else if (name == QLatin1String("undo")) {
        command.kind = RemoteCommandKind::Undo;
    } else if (name == QLatin1String("redo")) {
        command.kind = RemoteCommandKind::Redo;
    } else if (name == QLatin1String("setNotch")) {
        command.kind = RemoteCommandKind::SetNotch;
        command.channel = NeededInt(object, "channel", 0, 1, error).value_or(0);
        command.row = NeededInt(object, "row", 1, 12, error).value_or(1) - 1;
        const std::optional<int> gainDb = IntField(object, "gainDb", -45, 0, error);
        if (gainDb)
            command.gainStep = *gainDb + 45;
        command.frequencyIndex = IntField(object, "frequencyIndex", 0, 729, error);
        command.widthIndex = IntField(object, "widthIndex", 0, 3, error);
        if (!error && !command.gainStep && !command.frequencyIndex && !command.widthIndex)
            error = Malformed(QStringLiteral("setNotch needs gainDb, frequencyIndex or widthIndex"), id);
    } else if (name == QLatin1String("setSetting")) {
        command.kind = RemoteCommandKind::SetSetting;
        command.channel = NeededInt(object, "channel", 0, 1, error).value_or(0);
        const QString setting = object.value(QStringLiteral("setting")).toString();
        if (setting == QLatin1String("autoCount")) {
            command.setting = RemoteSetting::AutoCount;
            command.value = NeededInt(object, "value", 1, 12, error).value_or(1);
        } else if (setting == QLatin1String("sensitivity")) {
            command.setting = RemoteSetting::Sensitivity;
            command.value = NeededInt(object, "value", 1, 16, error).value_or(1);
        } else if (!error) {
            error = Malformed(QStringLiteral("setting must be autoCount or sensitivity"), id);
        }
    } else {
        return RemoteError{QStringLiteral("unknown-command"),
                           QStringLiteral("There is no command %1.").arg(name.left(64)), id};
    }
    if (error)
        return *error;
    return message;
}

} // namespace

std::variant<ClientMessage, RemoteError> ParseClientMessage(const QByteArray &text)
{
    if (text.size() > MaxClientMessageBytes)
        return RemoteError{QStringLiteral("too-large"), QStringLiteral("A message may hold at most 64 KiB."), {}};
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return Malformed(QStringLiteral("A message is one JSON object."));
    const QJsonObject object = document.object();
    const QString type = object.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("hello")) {
        const QJsonValue token = object.value(QStringLiteral("token"));
        if (!token.isString())
            return RemoteError{QStringLiteral("unauthorized"), QStringLiteral("A hello carries its token."), {}};
        ClientMessage message;
        message.token = token.toString();
        return message;
    }
    if (type == QLatin1String("command"))
        return ParseCommand(object);
    return Malformed(QStringLiteral("type must be hello or command"), object.value(QStringLiteral("id")));
}

QJsonObject ErrorJson(const RemoteError &error)
{
    QJsonObject message{{QStringLiteral("type"), QStringLiteral("error")},
                        {QStringLiteral("code"), error.code},
                        {QStringLiteral("message"), error.message}};
    if (!error.id.isUndefined() && !error.id.isNull())
        message.insert(QStringLiteral("id"), error.id);
    return message;
}

QJsonObject ReplyJson(const QJsonValue &id, const QJsonObject &fields)
{
    QJsonObject message = fields;
    message.insert(QStringLiteral("type"), QStringLiteral("reply"));
    if (!id.isUndefined() && !id.isNull())
        message.insert(QStringLiteral("id"), id);
    return message;
}

QByteArray MessageText(const QJsonObject &message)
{
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

} // namespace ksr
