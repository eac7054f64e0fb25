#pragma once

#include "bus/bus_log.h"

#include <QWidget>

#include <functional>

class QPushButton;
class QTableView;

namespace zrx {

class BusLogModel;

// The "Bus Log" window: one row per transaction on the bus, newest last.
// While the newest row is in view the table keeps following the traffic;
// scrolled up, it stays put. Closing only hides it; the log goes on.
class frmBusLog : public QWidget {
    Q_OBJECT
public:
    // Where to write the CSV file; empty when the user cancels.
    using ChooseExportPath = std::function<QString(QWidget *parent)>;
    using ReportError = std::function<void(QWidget *parent, const QString &text)>;

    explicit frmBusLog(BusLog &log, QWidget *parent = nullptr);

    BusLogModel *model() const { return m_model; }

    // Room for the columns and a screenful of rows, in the font's measure.
    QSize sizeHint() const override;

    // The selected rows, as tab-separated lines, to the clipboard.
    void copy_selected_rows();
    // The whole log to a CSV file the user names. False when nothing was
    // written (cancelled or failed; a failure is reported).
    bool export_csv();

    // The file dialog and the error message; tests replace both.
    ChooseExportPath choose_export_path;
    ReportError report_error;

private:
    BusLog &m_log;
    BusLogModel *m_model = nullptr;
    QTableView *busLogTable = nullptr;
    QPushButton *cmdCopy = nullptr;
    QPushButton *cmdExportCsv = nullptr;
    bool m_followNewest = true;
};

} // namespace zrx
