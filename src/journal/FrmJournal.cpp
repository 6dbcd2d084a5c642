#include "journal/FrmJournal.h"

#include "journal/JournalPlot.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace ksr {

namespace {

// A journal file is read up to this size; a day's ring-out is far smaller.
constexpr qint64 MostBytesRead = 16 * 1024 * 1024;
// Rows that come during a search are shown together this often: a repaint
// of the table and the plot for each report would cost more than the rest
// of the search.
constexpr int PendingMilliseconds = 1000;
const QString Title = QStringLiteral("Ring-out journal");

} // namespace

FrmJournal::FrmJournal(const AppState &state, RingOutJournal &journal, UserDialogs &dialogs,
                       std::function<bool(const QUrl &)> openUrl, QWidget *parent)
    : QWidget(parent, Qt::Window), state_(state), journal_(journal), dialogs_(dialogs), openUrl_(std::move(openUrl))
{
    setObjectName(QStringLiteral("FrmJournal"));
    setWindowTitle(Title);
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    auto *dayLabel = new QLabel(QStringLiteral("&Day:"), this);
    Days = new QComboBox(this);
    Days->setObjectName(QStringLiteral("Days"));
    Days->setAccessibleName(QStringLiteral("Journal day"));
    dayLabel->setBuddy(Days);
    ExportButton = new QPushButton(QStringLiteral("Export PNG..."), this);
    FolderButton = new QPushButton(QStringLiteral("Open folder"), this);
    top->addWidget(dayLabel);
    top->addWidget(Days, 1);
    top->addWidget(ExportButton);
    top->addWidget(FolderButton);
    layout->addLayout(top);

    auto *splitter = new QSplitter(this);
    Table = new QTableView(splitter);
    Table->setObjectName(QStringLiteral("JournalTable"));
    Table->setModel(&model_);
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    // Sized to the contents when a file is shown, not at every row that comes.
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Plot = new JournalPlot(splitter);
    splitter->addWidget(Table);
    splitter->addWidget(Plot);
    // Room for every column of the table; the plot takes the rest.
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({560, 560});
    layout->addWidget(splitter, 1);

    auto *bottom = new QHBoxLayout;
    auto *noteLabel = new QLabel(QStringLiteral("&Note:"), this);
    Note = new QLineEdit(this);
    Note->setObjectName(QStringLiteral("Note"));
    Note->setAccessibleName(QStringLiteral("Note"));
    Note->setPlaceholderText(QStringLiteral("Venue, microphone positions... (Enter writes it into today's journal)"));
    noteLabel->setBuddy(Note);
    if (state.DemoMode) {
        Note->setEnabled(false);
        Note->setPlaceholderText(QStringLiteral("Demo mode: nothing is written to the journal"));
    }
    bottom->addWidget(noteLabel);
    bottom->addWidget(Note, 1);
    layout->addLayout(bottom);

    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        SpanNotes();
        Table->resizeColumnsToContents();
    });
    // The view moves the spans below a row that comes in; a new note needs its own.
    connect(&model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        for (int row = first; row <= last; ++row) {
            if (model_.IsNoteRow(row))
                Table->setSpan(row, 0, 1, model_.columnCount());
        }
    });
    connect(Days, &QComboBox::currentIndexChanged, this, [this] {
        ShowFile(QDir(JournalFolder(state_.StartDirectory)).filePath(Days->currentText()));
    });
    connect(ExportButton, &QPushButton::clicked, this, [this] { ExportPng(); });
    connect(FolderButton, &QPushButton::clicked, this, [this] { OpenFolder(); });
    connect(Note, &QLineEdit::returnPressed, this, [this] { WriteNote(); });
    pendingTimer_ = new QTimer(this);
    pendingTimer_->setSingleShot(true);
    pendingTimer_->setInterval(PendingMilliseconds);
    connect(pendingTimer_, &QTimer::timeout, this, [this] { ShowPendingLines(); });
    resize(1140, 560);
    ShowToday();
}

void FrmJournal::SpanNotes()
{
    Table->clearSpans();
    for (int row = 0; row < model_.rowCount(); ++row) {
        if (model_.IsNoteRow(row))
            Table->setSpan(row, 0, 1, model_.columnCount());
    }
}

void FrmJournal::ListDays()
{
    const QSignalBlocker quiet(Days);
    Days->clear();
    QStringList names = QDir(JournalFolder(state_.StartDirectory))
                            .entryList({QStringLiteral("ringout-*.csv")}, QDir::Files, QDir::Name | QDir::Reversed);
    const QString today = QFileInfo(journal_.TodaysPath()).fileName();
    if (!names.contains(today))
        names.prepend(today);
    Days->addItems(names);
}

void FrmJournal::ShowToday()
{
    ListDays();
    Days->setCurrentIndex(Days->findText(QFileInfo(journal_.TodaysPath()).fileName()));
    ShowFile(journal_.TodaysPath());
}

void FrmJournal::ShowFile(const QString &path)
{
    shownPath_ = path;
    pending_.clear();
    QByteArray contents;
    QFile file(path);
    // Only a regular file: a FIFO would wait for a writer.
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        contents = file.read(MostBytesRead);
    model_.Load(contents);
    Plot->SetRows(model_.Rows());
}

void FrmJournal::LineAdded(const QString &path, const QByteArray &line)
{
    if (Days->findText(QFileInfo(path).fileName()) < 0) {
        ShowToday();
        return;
    }
    if (QFileInfo(path) != QFileInfo(shownPath_))
        return;
    pending_ << line;
    if (!pendingTimer_->isActive())
        pendingTimer_->start();
}

void FrmJournal::ShowPendingLines()
{
    const std::size_t before = model_.Rows().size();
    model_.AddLines(pending_);
    pending_.clear();
    for (std::size_t i = before; i < model_.Rows().size(); ++i)
        Plot->AddRow(model_.Rows()[i]);
}

void FrmJournal::ExportPng()
{
    const QString base = QFileInfo(shownPath_).completeBaseName();
    const QString path = dialogs_.GetSaveFileName(
        {QStringLiteral("Export PNG"), QDir(JournalFolder(state_.StartDirectory)).filePath(base + QStringLiteral(".png")),
         QStringLiteral("PNG image (*.png)"), QStringLiteral("png")});
    if (path.isEmpty())
        return;
    const QString file = QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".png") : path;
    // Twice the window's pixels, so that the picture stays sharp when shown larger.
    if (!Plot->Render(Plot->size(), 2.0).save(file, "PNG"))
        dialogs_.ShowMessage({QStringLiteral(" The plot could not be saved to %1").arg(QFileInfo(file).fileName()),
                              Title, MessageIcon::Exclamation});
}

void FrmJournal::OpenFolder()
{
    const QString folder = JournalFolder(state_.StartDirectory);
    QDir().mkpath(folder);
    if (!openUrl_ || !openUrl_(QUrl::fromLocalFile(folder)))
        dialogs_.ShowMessage({QStringLiteral(" The folder %1 could not be opened.").arg(QDir::toNativeSeparators(folder)),
                              Title, MessageIcon::Exclamation});
}

void FrmJournal::WriteNote()
{
    journal_.AddNote(Note->text());
    Note->clear();
}

} // namespace ksr
