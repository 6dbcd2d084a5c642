#pragma once
// What a stage-remote client may send: its hello with a pairing token, and
// the commands of a full-control client. Parsing is strict: a message that
// is not exactly one of these is refused with an error and changes nothing.

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <variant>

namespace ksr {

inline constexpr int RemoteApiVersion = 1;
// The largest message a client may send.
inline constexpr qsizetype MaxClientMessageBytes = 64 * 1024;

enum class RemoteCommandKind { Search, KeepPlan, Keep, Undo, Redo, SetNotch, SetSetting };
enum class RemoteSetting { AutoCount, Sensitivity };

struct RemoteCommand {
    RemoteCommandKind kind = RemoteCommandKind::Undo;
    QString name;  // as sent: "search", "keep", ...
    QJsonValue id; // given back in the answer
    int channel = 0;
    // Search: the box, 0 L&R, 1 L, 2 R, and whether to start it.
    int box = 0;
    bool on = false;
    // SetNotch: the row 0..11 and the fields to set (gain as its step 0..45).
    int row = 0;
    std::optional<int> gainStep;
    std::optional<int> frequencyIndex;
    std::optional<int> widthIndex;
    // SetSetting: the setting and its value as the page shows it
    // (count 1..12, sensitivity 1..16).
    RemoteSetting setting = RemoteSetting::AutoCount;
    int value = 0;
};

struct ClientMessage {
    enum class Type { Hello, Command };
    Type type = Type::Hello;
    QString token;         // Hello
    RemoteCommand command; // Command
};

struct RemoteError {
    QString code;
    QString message;
    QJsonValue id;
};

// The message in `text` (one WebSocket text message), or why it is refused.
std::variant<ClientMessage, RemoteError> ParseClientMessage(const QByteArray &text);

// The error message sent to a client.
QJsonObject ErrorJson(const RemoteError &error);
// A reply to command `id`, with `fields` added.
QJsonObject ReplyJson(const QJsonValue &id, const QJsonObject &fields = {});
// A message as the compact UTF-8 JSON text that goes on the socket.
QByteArray MessageText(const QJsonObject &message);

} // namespace ksr
