#include "presets/LibraryProgressDialog.h"

#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace ksr {

LibraryProgressDialog::LibraryProgressDialog(const QString &title, const QString &verb,
                                             std::function<QString(int)> nameOf, QWidget *parent)
    : QDialog(parent), verb_(verb), nameOf_(std::move(nameOf))
{
    setObjectName(QStringLiteral("LibraryProgress"));
    setWindowTitle(title);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    EntryLabel = new QLabel(this);
    EntryLabel->setObjectName(QStringLiteral("EntryLabel"));
    // Preset names are shown as they are, never taken for markup.
    EntryLabel->setTextFormat(Qt::PlainText);
    EntryLabel->setMinimumWidth(EntryLabel->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
    layout->addWidget(EntryLabel);
    Bar = new QProgressBar(this);
    Bar->setObjectName(QStringLiteral("Bar"));
    Bar->setRange(0, 1);
    Bar->setValue(0);
    layout->addWidget(Bar);
    auto *row = new QHBoxLayout;
    TimeLabel = new QLabel(this);
    TimeLabel->setObjectName(QStringLiteral("TimeLabel"));
    row->addWidget(TimeLabel, 1);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    row->addWidget(CancelButton);
    layout->addLayout(row);
    connect(CancelButton, &QPushButton::clicked, this, [this] { RequestCancel(); });
}

void LibraryProgressDialog::Begin(int totalBytes)
{
    done_ = 0;
    total_ = totalBytes;
    begun_.start();
    TimeLabel->clear();
    Bar->setRange(0, std::max(totalBytes, 1));
    Bar->setValue(0);
}

void LibraryProgressDialog::SetEntry(int entry)
{
    if (cancelled_)
        return;
    if (entry == 0) {
        EntryLabel->setText(QStringLiteral("%1 the current settings").arg(verb_));
        return;
    }
    const QString name = nameOf_ ? nameOf_(entry).trimmed() : QString();
    EntryLabel->setText(name.isEmpty() ? QStringLiteral("%1 entry %2").arg(verb_, EntryText(entry))
                                       : QStringLiteral("%1 entry %2 \"%3\"").arg(verb_, EntryText(entry), name));
}

void LibraryProgressDialog::Advance(int count)
{
    done_ += count;
    PostBarUpdate();
}

void LibraryProgressDialog::End()
{
    Bar->setValue(std::min(done_, Bar->maximum()));
}

void LibraryProgressDialog::RequestCancel()
{
    if (cancelled_)
        return;
    cancelled_ = true;
    CancelButton->setEnabled(false);
    EntryLabel->setText(QStringLiteral("Stopping at the next safe point..."));
}

void LibraryProgressDialog::PostBarUpdate()
{
    if (posted_)
        return;
    posted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            posted_ = false;
            Bar->setValue(std::min(done_, Bar->maximum()));
            const std::optional<int> left = SecondsLeft(done_, total_, begun_.elapsed() / 1000.0);
            TimeLabel->setText(left ? QStringLiteral("About %1:%2 left")
                                          .arg(*left / 60)
                                          .arg(*left % 60, 2, 10, QLatin1Char('0'))
                                    : QString());
        },
        Qt::QueuedConnection);
}

} // namespace ksr
