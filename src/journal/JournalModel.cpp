#include "journal/JournalModel.h"

#include <array>

namespace ksr {

namespace {

constexpr int Columns = 7;
constexpr std::array<const char *, Columns> Headers = {"Time", "Channel", "Notch", "Event", "Frequency (Hz)",
                                                        "Width", "Gain (dB)"};

} // namespace

void JournalModel::Load(const QByteArray &contents)
{
    beginResetModel();
    rows_.clear();
    for (const QByteArray &line : contents.split('\n')) {
        if (std::optional<JournalRow> row = ParseJournalLine(line))
            rows_.push_back(std::move(*row));
    }
    endResetModel();
}

void JournalModel::AddLines(const QList<QByteArray> &lines)
{
    std::vector<JournalRow> added;
    for (const QByteArray &line : lines) {
        if (std::optional<JournalRow> row = ParseJournalLine(line))
            added.push_back(std::move(*row));
    }
    if (added.empty())
        return;
    beginInsertRows({}, 0, static_cast<int>(added.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    endInsertRows();
}

bool JournalModel::IsNoteRow(int row) const
{
    return row >= 0 && row < rowCount() && rows_[rows_.size() - 1 - static_cast<std::size_t>(row)].IsNote();
}

int JournalModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int JournalModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant JournalModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    const JournalRow &row = rows_[rows_.size() - 1 - static_cast<std::size_t>(index.row())];
    if (row.IsNote())
        return index.column() == 0 ? QVariant(QStringLiteral("Note: ") + row.note) : QVariant();
    return row.fields.value(index.column());
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(Headers[static_cast<std::size_t>(section)]);
}

} // namespace ksr
