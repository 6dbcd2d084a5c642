#pragma once
// Debian's chromium, headless, driven through tests/browser/puppet.mjs
// (node and puppeteer-core) as a child process: one JSON request a line,
// one answer a line. Every wait spins the Qt event loop, so that a server
// in the test's own process goes on answering the browser meanwhile.
// The build defines KSR704_PUPPET_PATH.

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace ksr::test {

class BrowserPuppet {
public:
    static constexpr int StartTimeoutMs = 60'000;
    static constexpr int CallTimeoutMs = 40'000;

    ~BrowserPuppet()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.closeWriteChannel();
        if (!process_.waitForFinished(10'000)) {
            process_.kill();
            process_.waitForFinished(5'000);
        }
    }

    // The browser, or why it cannot be had on this machine (empty when it can).
    static QString Chromium() { return qEnvironmentVariable("CHROMIUM", QStringLiteral("/usr/bin/chromium")); }
    static QString Missing()
    {
        QStringList missing;
        if (QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty())
            missing << QStringLiteral("node (Debian's nodejs)");
        if (!QFileInfo(Chromium()).isExecutable())
            missing << QStringLiteral("%1 (Debian's chromium)").arg(Chromium());
        const QString modules = QFileInfo(QStringLiteral(KSR704_PUPPET_PATH)).dir().filePath(QStringLiteral("node_modules/puppeteer-core"));
        if (!QFileInfo::exists(modules))
            missing << QStringLiteral("puppeteer-core (npm ci in tests/browser)");
        return missing.join(QStringLiteral(", "));
    }

    // Starts node and the browser; false with the reason in `error`.
    bool Start(QString &error)
    {
        // The browser's own chatter goes to the test's log, not into the answers.
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("node"), {QStringLiteral(KSR704_PUPPET_PATH)});
        if (!process_.waitForStarted(10'000)) {
            error = QStringLiteral("node did not start: %1").arg(process_.errorString());
            return false;
        }
        const std::optional<QJsonObject> ready = NextAnswer(StartTimeoutMs);
        if (!ready || !ready->value(QStringLiteral("ok")).toBool()) {
            error = ready ? ready->value(QStringLiteral("error")).toString() : QStringLiteral("the browser did not start in time");
            return false;
        }
        return true;
    }

    // The answer's value; on failure empty, with the reason in LastError().
    QJsonValue Call(QJsonObject request, int timeoutMs = CallTimeoutMs)
    {
        lastError_.clear();
        process_.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        const std::optional<QJsonObject> answer = NextAnswer(timeoutMs);
        if (!answer) {
            lastError_ = QStringLiteral("no answer to %1").arg(request.value(QStringLiteral("op")).toString());
            return {};
        }
        if (!answer->value(QStringLiteral("ok")).toBool()) {
            lastError_ = answer->value(QStringLiteral("error")).toString();
            return {};
        }
        return answer->value(QStringLiteral("value"));
    }
    const QString &LastError() const { return lastError_; }
    bool Failed() const { return !lastError_.isEmpty(); }

    // Opens `url` in a page of its own named `page`, at a phone's size unless told.
    bool Open(const QString &page, const QString &url, int width = 390, int height = 844)
    {
        Call({{QStringLiteral("op"), QStringLiteral("open")}, {QStringLiteral("page"), page}, {QStringLiteral("url"), url},
              {QStringLiteral("width"), width}, {QStringLiteral("height"), height}});
        return !Failed();
    }
    // The value of `expr` once it is truthy; empty (and Failed()) when it did not become so in time.
    QJsonValue Wait(const QString &page, const QString &expr, int timeoutMs = 10'000)
    {
        return Call({{QStringLiteral("op"), QStringLiteral("wait")}, {QStringLiteral("page"), page},
                     {QStringLiteral("expr"), expr}, {QStringLiteral("timeoutMs"), timeoutMs}},
                    timeoutMs + CallTimeoutMs);
    }
    QJsonValue Eval(const QString &page, const QString &expr)
    {
        return Call({{QStringLiteral("op"), QStringLiteral("eval")}, {QStringLiteral("page"), page}, {QStringLiteral("expr"), expr}});
    }
    bool Click(const QString &page, const QString &selector)
    {
        Call({{QStringLiteral("op"), QStringLiteral("click")}, {QStringLiteral("page"), page}, {QStringLiteral("selector"), selector}});
        return !Failed();
    }
    bool Simple(const QString &op, const QString &page, QJsonObject fields = {})
    {
        fields.insert(QStringLiteral("op"), op);
        fields.insert(QStringLiteral("page"), page);
        Call(fields);
        return !Failed();
    }

private:
    std::optional<QJsonObject> NextAnswer(int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!process_.canReadLine()) {
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
                return std::nullopt;
            QTest::qWait(5);
        }
        return QJsonDocument::fromJson(process_.readLine()).object();
    }

    QProcess process_;
    QString lastError_;
};

} // namespace ksr::test
