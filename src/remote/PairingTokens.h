#pragma once
// The two pairing links' tokens (full control and watch only), fresh and
// random, compared in constant time; and the guard that blocks an address
// after too many failed pairings.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <deque>
#include <functional>

namespace ksr {

enum class RemoteRights { None, Watch, Control };

class PairingTokens {
public:
    // 192 random bits each, as URL-safe base64 without padding.
    static constexpr int TokenBytes = 24;

    PairingTokens();
    // New tokens for both links: the old ones are refused from now on.
    void Renew();
    const QString &ControlToken() const { return control_; }
    const QString &WatchToken() const { return watch_; }
    // The rights `token` gives; the comparison takes as long whatever it holds.
    RemoteRights RightsOf(const QString &token) const;

private:
    QString control_;
    QString watch_;
};

// Ten failed pairings from one address within a minute block it for a minute.
class PairingGuard {
public:
    static constexpr int MaxFailures = 10;
    static constexpr qint64 WindowMs = 60'000;

    // `nowMs`: a monotonic clock in milliseconds.
    explicit PairingGuard(std::function<qint64()> nowMs);
    bool Blocked(const QString &address);
    void Failed(const QString &address);

private:
    struct Record {
        std::deque<qint64> failures;
        qint64 blockedUntil = 0;
    };
    // Forgets what is older than the window, so that the table stays small.
    void Prune(qint64 now);

    std::function<qint64()> nowMs_;
    QHash<QString, Record> records_;
};

} // namespace ksr
