#include "journal/FrmJournal.h"

#include "journal/JournalExport.h"
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
constexpr int WholeDay = -1;

// The picker's text of a day's file: its date, today's marked.
QString DayText(const QString &fileName, const QString &today)
{
    const QDate day = JournalDayOf(fileName);
    QString text = day.isValid() ? day.toString(QStringLiteral("yyyy-MM-dd")) : fileName;
    if (fileName == today)
        text += QStringLiteral(" (today)");
    return text;
}

} // namespace

FrmJournal::FrmJournal(const AppState &state, RingOutJournal &journal, UserDialogs &dialogs,
                       std::function<bool(const QUrl &)> openUrl, QWidget *parent)
    : QWidget(parent, Qt::Tool), state_(state), journal_(journal), dialogs_(dialogs), openUrl_(std::move(openUrl))
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
    auto *searchLabel = new QLabel(QStringLiteral("&Plot:"), this);
    Searches = new QComboBox(this);
    Searches->setObjectName(QStringLiteral("Searches"));
    Searches->setAccessibleName(QStringLiteral("Search plotted"));
    Searches->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    searchLabel->setBuddy(Searches);
    ExportButton = new QPushButton(QStringLiteral("Export PNG..."), this);
    FolderButton = new QPushButton(QStringLiteral("Open folder"), this);
    top->addWidget(dayLabel);
    top->addWidget(Days);
    top->addWidget(searchLabel);
    top->addWidget(Searches, 1);
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
    Saved = new QLabel(this);
    Saved->setObjectName(QStringLiteral("Saved"));
    Saved->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bottom->addWidget(Saved);
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
        // The first rows of a file shown empty: the columns were sized to their headers.
        if (last + 1 == model_.rowCount())
            Table->resizeColumnsToContents();
    });
    connect(Days, &QComboBox::currentIndexChanged, this, [this] {
        ShowFile(QDir(JournalFolder(state_.StartDirectory)).filePath(Days->currentData().toString()));
    });
    connect(Searches, &QComboBox::currentIndexChanged, this, [this] { PlotPicked(); });
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
    const QString shown = Days->currentData().toString();
    const QSignalBlocker quiet(Days);
    Days->clear();
    QStringList names = QDir(JournalFolder(state_.StartDirectory))
                            .entryList({QStringLiteral("ringout-*.csv")}, QDir::Files, QDir::Name | QDir::Reversed);
    listedToday_ = QFileInfo(journal_.TodaysPath()).fileName();
    if (!names.contains(listedToday_))
        names.prepend(listedToday_);
    for (const QString &name : names)
        Days->addItem(DayText(name, listedToday_), name);
    Days->setCurrentIndex(std::max(0, Days->findData(shown)));
}

void FrmJournal::ShowToday()
{
    ListDays();
    {
        const QSignalBlocker quiet(Days);
        Days->setCurrentIndex(Days->findData(listedToday_));
    }
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
    {
        const QSignalBlocker quiet(Searches);
        Searches->clear();
        searches_.clear();
    }
    ListSearches();
    plottedEnd_ = 0; // all again
    PlotPicked();
}

void FrmJournal::ListSearches()
{
    const int picked = Searches->currentData().isValid() ? Searches->currentData().toInt() : WholeDay;
    // The last search, or the whole day of a file that had none: a new search is shown as it starts.
    const bool followLast = searches_.empty() || picked == static_cast<int>(searches_.size()) - 1;
    searches_ = JournalSearches(model_.Rows());
    QStringList texts;
    for (std::size_t i = 0; i < searches_.size(); ++i)
        texts << SearchText(searches_[i], static_cast<int>(i) + 1);
    texts << QStringLiteral("Whole day");
    QStringList listed;
    for (int i = 0; i < Searches->count(); ++i)
        listed << Searches->itemText(i);
    if (texts == listed)
        return;
    const QSignalBlocker quiet(Searches);
    Searches->clear();
    for (qsizetype i = 0; i < texts.size(); ++i)
        Searches->addItem(texts[i], i + 1 < texts.size() ? static_cast<int>(i) : WholeDay);
    const int pick = followLast && !searches_.empty() ? static_cast<int>(searches_.size()) - 1 : picked;
    Searches->setCurrentIndex(std::max(0, Searches->findData(pick)));
}

const JournalSearch *FrmJournal::PickedSearch() const
{
    const int picked = Searches->currentData().toInt();
    return picked >= 0 && picked < static_cast<int>(searches_.size()) ? &searches_[static_cast<std::size_t>(picked)]
                                                                      : nullptr;
}

void FrmJournal::PlotPicked()
{
    const std::vector<JournalRow> &rows = model_.Rows();
    const JournalSearch *search = PickedSearch();
    const std::size_t first = search ? search->first : 0;
    const std::size_t end = search ? search->end : rows.size();
    if (first == plottedFirst_ && plottedEnd_ > first && plottedEnd_ <= end) {
        for (std::size_t i = plottedEnd_; i < end; ++i)
            Plot->AddRow(rows[i]);
    } else {
        Plot->SetRows(std::vector<JournalRow>(rows.begin() + static_cast<std::ptrdiff_t>(first),
                                              rows.begin() + static_cast<std::ptrdiff_t>(end)));
    }
    plottedFirst_ = first;
    plottedEnd_ = end;
}

QDate FrmJournal::ShownDay() const
{
    const QDate day = JournalDayOf(QFileInfo(shownPath_).fileName());
    return day.isValid() ? day : QDate::currentDate();
}

QStringList FrmJournal::Caption() const
{
    const QDate day = ShownDay();
    const JournalSearch *search = PickedSearch();
    const int number = search ? static_cast<int>(search - searches_.data()) + 1 : 0;
    return ExportCaption(day, model_.Rows(), search, number);
}

void FrmJournal::LineAdded(const QString &path, const QByteArray &line)
{
    if (Days->findData(QFileInfo(path).fileName()) < 0) {
        // A new day: shown when the day before was, else only listed.
        if (QFileInfo(shownPath_).fileName() == listedToday_)
            ShowToday();
        else
            ListDays();
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
    if (model_.Rows().size() == before)
        return;
    ListSearches();
    PlotPicked();
}

void FrmJournal::ExportPng()
{
    const QString folder = JournalFolder(state_.StartDirectory);
    // The dialog opens in the folder only when it is there.
    QDir().mkpath(folder);
    const QString path =
        dialogs_.GetSaveFileName({QStringLiteral("Export PNG"), folder, QStringLiteral("PNG image (*.png)"),
                                  QStringLiteral("png"), QFileInfo(FreeExportPath(folder, ShownDay())).fileName()});
    if (path.isEmpty())
        return;
    const QString file = QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".png") : path;
    // Twice the window's pixels, so that the picture stays sharp when shown larger.
    if (!Plot->Render(Plot->size(), 2.0, Caption()).save(file, "PNG")) {
        Saved->clear();
        dialogs_.ShowMessage({QStringLiteral(" The plot could not be saved to %1").arg(QFileInfo(file).fileName()),
                              Title, MessageIcon::Exclamation});
        return;
    }
    Saved->setText(QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(file)));
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
