#include "ui/buslog/bus_log_model.h"

#include "bus/bus_log_text.h"

#include <QFontDatabase>
#include <QTimer>

namespace zrx {

BusLogModel::BusLogModel(BusLog &log, QObject *parent)
    : QAbstractTableModel(parent), m_log(log), m_shownFirst(log.first_sequence()), m_shownCount(log.size())
{
    m_log.set_listener([this] { schedule_sync(); });
}

BusLogModel::~BusLogModel()
{
    m_log.set_listener({});
}

void BusLogModel::schedule_sync()
{
    if (m_syncPending)
        return;
    m_syncPending = true;
    QTimer::singleShot(0, this, &BusLogModel::sync);
}

void BusLogModel::sync()
{
    m_syncPending = false;
    const quint64 first = m_log.first_sequence();
    if (first > m_shownFirst) {
        const int gone = int(qMin<quint64>(first - m_shownFirst, quint64(m_shownCount)));
        if (gone > 0) {
            beginRemoveRows({}, 0, gone - 1);
            m_shownCount -= gone;
            endRemoveRows();
        }
        m_shownFirst = first;
    }
    const quint64 shownEnd = m_shownFirst + quint64(m_shownCount);
    if (m_log.end_sequence() > shownEnd) {
        const int added = int(m_log.end_sequence() - shownEnd);
        beginInsertRows({}, m_shownCount, m_shownCount + added - 1);
        m_shownCount += added;
        endInsertRows();
    }
}

int BusLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownCount;
}

int BusLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : BusLogColumnCount;
}

int BusLogModel::log_index(int row) const
{
    if (row < 0 || row >= m_shownCount)
        return -1;
    const quint64 sequence = m_shownFirst + quint64(row);
    if (sequence < m_log.first_sequence() || sequence >= m_log.end_sequence())
        return -1;
    return int(sequence - m_log.first_sequence());
}

QVariant BusLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const auto column = BusLogColumn(index.column());
    if (role == Qt::FontRole && (column == BusLogColumn::Address || column == BusLogColumn::Bytes))
        return QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (role != Qt::DisplayRole)
        return {};
    const int i = log_index(index.row());
    if (i < 0)
        return {};
    return bus_row_field(m_log.at(i), column);
}

QVariant BusLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    // Numbered as the transactions came, so a row keeps its number while
    // older ones fall out of the log.
    if (orientation == Qt::Vertical)
        return QString::number(m_shownFirst + quint64(section) + 1);
    return bus_log_headers().value(section);
}

} // namespace zrx
