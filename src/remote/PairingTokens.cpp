#include "remote/PairingTokens.h"

#include <QRandomGenerator>

#include <array>

namespace ksr {

namespace {

QString FreshToken()
{
    std::array<quint32, (PairingTokens::TokenBytes + 3) / 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char *>(words.data()), PairingTokens::TokenBytes);
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// Whether a equals b, looking at every character of b whatever a holds.
bool SameInConstantTime(const QByteArray &a, const QByteArray &b)
{
    unsigned difference = a.size() == b.size() ? 0U : 1U;
    for (qsizetype i = 0; i < b.size(); ++i) {
        const char x = i < a.size() ? a[i] : '\0';
        difference |= static_cast<unsigned>(static_cast<unsigned char>(x) ^ static_cast<unsigned char>(b[i]));
    }
    return difference == 0U;
}

} // namespace

PairingTokens::PairingTokens()
{
    Renew();
}

void PairingTokens::Renew()
{
    control_ = FreshToken();
    do
        watch_ = FreshToken();
    while (watch_ == control_);
}

RemoteRights PairingTokens::RightsOf(const QString &token) const
{
    const QByteArray given = token.toLatin1();
    // Both are compared, so that the time says nothing of which one matched.
    const bool control = SameInConstantTime(given, control_.toLatin1());
    const bool watch = SameInConstantTime(given, watch_.toLatin1());
    if (token.isEmpty())
        return RemoteRights::None;
    return control ? RemoteRights::Control : watch ? RemoteRights::Watch : RemoteRights::None;
}

PairingGuard::PairingGuard(std::function<qint64()> nowMs) : nowMs_(std::move(nowMs)) {}

bool PairingGuard::Blocked(const QString &address)
{
    const qint64 now = nowMs_();
    Prune(now);
    const auto it = records_.constFind(address);
    return it != records_.constEnd() && it->blockedUntil > now;
}

void PairingGuard::Failed(const QString &address)
{
    const qint64 now = nowMs_();
    Prune(now);
    Record &record = records_[address];
    record.failures.push_back(now);
    if (static_cast<int>(record.failures.size()) >= MaxFailures) {
        record.blockedUntil = now + WindowMs;
        record.failures.clear();
    }
}

void PairingGuard::Prune(qint64 now)
{
    for (auto it = records_.begin(); it != records_.end();) {
        std::deque<qint64> &failures = it->failures;
        while (!failures.empty() && failures.front() <= now - WindowMs)
            failures.pop_front();
        if (failures.empty() && it->blockedUntil <= now)
            it = records_.erase(it);
        else
            ++it;
    }
}

} // namespace ksr
