#include "ui/buslog/frm_bus_log.h"

#include "bus/bus_log_text.h"
#include "store/atomic_file.h"
#include "ui/buslog/bus_log_model.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace zrx {
namespace {

QString choose_export_path_with_dialog(QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Export Bus Log"), QStringLiteral("bus-log.csv"),
                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
}

void report_error_with_box(QWidget *parent, const QString &text)
{
    QMessageBox::warning(parent, QStringLiteral("Bus Log"), text);
}

// Room for about this many characters across and lines down, in the font's
// own measure so the window grows with the text.
constexpr int WidthChars = 110;
constexpr int HeightRows = 30;

} // namespace

frmBusLog::frmBusLog(BusLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window),
      choose_export_path(choose_export_path_with_dialog),
      report_error(report_error_with_box),
      m_log(log),
      m_model(new BusLogModel(log, this))
{
    setObjectName(QStringLiteral("busLog"));
    setWindowTitle(QStringLiteral("Bus Log"));

    busLogTable = new QTableView(this);
    busLogTable->setObjectName(QStringLiteral("busLogTable"));
    busLogTable->setModel(m_model);
    busLogTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    busLogTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    busLogTable->setWordWrap(false);
    busLogTable->verticalHeader()->setDefaultSectionSize(busLogTable->fontMetrics().height() + 4);
    QHeaderView *header = busLogTable->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    // Widths for the longest usual text of each column but the last.
    const QFontMetrics metrics = busLogTable->fontMetrics();
    const int pad = metrics.horizontalAdvance(QLatin1Char('M')) * 2;
    header->resizeSection(int(BusLogColumn::Time), metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + pad);
    header->resizeSection(int(BusLogColumn::Kind), metrics.horizontalAdvance(QStringLiteral("general-call reset")) + pad);
    header->resizeSection(int(BusLogColumn::Address), metrics.horizontalAdvance(QStringLiteral("Address")) + pad);
    const QFontMetrics fixed(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    header->resizeSection(int(BusLogColumn::Bytes), fixed.horizontalAdvance(QStringLiteral("00 00 00 00")) + pad);

    cmdCopy = new QPushButton(QStringLiteral("Copy"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy->setAutoDefault(false);
    cmdExportCsv = new QPushButton(QStringLiteral("Export CSV..."), this);
    cmdExportCsv->setObjectName(QStringLiteral("cmdExportCsv"));
    cmdExportCsv->setAutoDefault(false);
    connect(cmdCopy, &QPushButton::clicked, this, &frmBusLog::copy_selected_rows);
    connect(cmdExportCsv, &QPushButton::clicked, this, &frmBusLog::export_csv);
    auto *copyShortcut = new QShortcut(QKeySequence::Copy, busLogTable);
    copyShortcut->setContext(Qt::WidgetShortcut);
    connect(copyShortcut, &QShortcut::activated, this, &frmBusLog::copy_selected_rows);

    // Follow the newest row only while the user has not scrolled away from it.
    QScrollBar *scroll = busLogTable->verticalScrollBar();
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this, scroll] { m_followNewest = scroll->value() == scroll->maximum(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_followNewest)
            busLogTable->scrollToBottom();
    });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdExportCsv);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(busLogTable, 1);
    layout->addLayout(buttons);

    setTabOrder(busLogTable, cmdCopy);
    setTabOrder(cmdCopy, cmdExportCsv);
    busLogTable->scrollToBottom();
}

QSize frmBusLog::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.averageCharWidth() * WidthChars, metrics.height() * HeightRows)
        .expandedTo(QWidget::sizeHint());
}

void frmBusLog::copy_selected_rows()
{
    QList<int> rows;
    const QModelIndexList selected = busLogTable->selectionModel()->selectedRows();
    for (const QModelIndex &index : selected) {
        const int i = m_model->log_index(index.row());
        if (i >= 0)
            rows << i;
    }
    std::sort(rows.begin(), rows.end());
    QApplication::clipboard()->setText(bus_rows_text(m_log, rows));
}

bool frmBusLog::export_csv()
{
    const QString path = choose_export_path(this);
    if (path.isEmpty())
        return false;
    // Binary: the lines carry their own CR LF.
    QString reason;
    if (write_file_atomically(path, bus_log_csv(m_log).toUtf8(), &reason))
        return true;
    report_error(this, QStringLiteral("The bus log could not be written to %1: %2")
                           .arg(QDir::toNativeSeparators(path), reason));
    return false;
}

} // namespace zrx
