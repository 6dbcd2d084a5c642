#pragma once
// The rows of one journal file for a table view, newest first: a report row
// in the file's seven columns, a note with its text in the first (the view
// lets it span the row).

#include "operations/RingOutJournal.h"

#include <QAbstractTableModel>

#include <vector>

namespace ksr {

class JournalModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Replaces the rows with those of a whole file.
    void Load(const QByteArray &contents);
    // More lines of the file, in its order, shown at the top.
    void AddLines(const QList<QByteArray> &lines);
    // In the file's order, oldest first.
    const std::vector<JournalRow> &Rows() const { return rows_; }
    // Whether table row `row` (newest first) is a note.
    bool IsNoteRow(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<JournalRow> rows_;
};

} // namespace ksr
