#pragma once

#include "bus/bus_log.h"

#include <QAbstractTableModel>

namespace zrx {

// The bus log as a table, newest row last. The log moves on every
// transaction, many per click; the table catches up once the event loop
// runs again, not once per row.
class BusLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BusLogModel(BusLog &log, QObject *parent = nullptr);
    ~BusLogModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Where a shown row stands in the log now (counted from its oldest
    // row), or -1 when the log has dropped it since the table last caught up.
    int log_index(int row) const;

    // Catches up with the log at once.
    void sync();

private:
    void schedule_sync();

    BusLog &m_log;
    quint64 m_shownFirst = 0; // sequence number of row 0
    int m_shownCount = 0;
    bool m_syncPending = false;
};

} // namespace zrx
