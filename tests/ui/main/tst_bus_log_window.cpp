// The bus log window: how it opens, what it shows of the program's traffic,
// copying and the CSV export; and its table keeping up with a capped log.
#include "main_window_fixture.h"

#include "bus/bus_log_text.h"
#include "ui/buslog/bus_log_model.h"
#include "ui/buslog/frm_bus_log.h"
#include "ui/main/status_label.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace zrx;

namespace {

frmBusLog *open_log(MainWindowFixture &f)
{
    f.window->show_bus_log();
    frmBusLog *log = f.window->bus_log_window();
    if (log)
        log->model()->sync();
    return log;
}

QString cell(const QAbstractItemModel *model, int row, BusLogColumn column)
{
    return model->data(model->index(row, int(column))).toString();
}

BusTransaction pointer_write(quint8 reg)
{
    BusTransaction t;
    t.bytes[0] = 0xE8;
    t.bytes[1] = reg;
    t.count = 2;
    t.kind = BusTransaction::Kind::PointerWrite;
    return t;
}

} // namespace

class TestBusLogWindow : public QObject {
    Q_OBJECT
private slots:
    void opens_from_the_status_line_and_ctrl_l();
    void shows_every_window_s_traffic();
    void copy_puts_the_selected_rows_on_the_clipboard();
    void export_writes_the_whole_log();
    void export_failure_is_reported();
    void table_keeps_up_with_a_capped_log();
};

void TestBusLogWindow::opens_from_the_status_line_and_ctrl_l()
{
    MainWindowFixture f;
    f.start();
    QVERIFY(!f.window->bus_log_window());

    f.mouse_click(f.window->findChild<StatusLabel *>(QStringLiteral("statusPort")));
    frmBusLog *log = f.window->bus_log_window();
    QVERIFY(log);
    QVERIFY(log->isVisible());
    QCOMPARE(log->objectName(), QStringLiteral("busLog"));
    QCOMPARE(log->windowTitle(), QStringLiteral("Bus Log"));

    log->close();
    QVERIFY(!log->isVisible());
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_L, Qt::ControlModifier);
    // The same window again, with its rows.
    QCOMPARE(f.window->bus_log_window(), log);
    QVERIFY(log->isVisible());

    log->close();
    f.mouse_click(f.window->findChild<StatusLabel *>(QStringLiteral("statusChip")));
    QVERIFY(log->isVisible());
}

void TestBusLogWindow::shows_every_window_s_traffic()
{
    MainWindowFixture f;
    f.put_codes(QList<int>(24, 0x100));
    f.start();
    frmBusLog *log = open_log(f);
    const QAbstractItemModel *model = log->model();
    // The start-up read-back: a pointer write and a word read per register.
    QCOMPARE(model->rowCount(), f.window->bus_log().size());
    QVERIFY(model->rowCount() >= 50);
    QCOMPARE(cell(model, 0, BusLogColumn::Meaning), QStringLiteral("pointer to channel 1 (register 00h)"));
    QCOMPARE(cell(model, 1, BusLogColumn::Meaning), QStringLiteral("channel 1 (register 00h): 0100h"));

    const int before = model->rowCount();
    f.mouse_click(f.button(QStringLiteral("Command5")));
    QTRY_COMPARE(model->rowCount(), before + 50);
    const int last = model->rowCount() - 1;
    QCOMPARE(cell(model, last, BusLogColumn::Kind), QStringLiteral("word read"));
    QCOMPARE(cell(model, last, BusLogColumn::Address), QStringLiteral("E9h"));
    QCOMPARE(cell(model, last, BusLogColumn::Bytes), QStringLiteral("E9 00 00"));
    QCOMPARE(cell(model, last, BusLogColumn::Meaning), QStringLiteral("register 3Fh (Max Bank): 0000h"));

    // Whatever drives the chip goes through the one MSComm1, and so into the log.
    f.window->table().CurrentChannel = 20;
    f.window->table().ChannelCode[20] = 0x3FF;
    write_channel(f.window->chip());
    QTRY_COMPARE(cell(model, model->rowCount() - 1, BusLogColumn::Meaning),
                 QStringLiteral("channel c2 (register 13h), code 3FFh"));
}

void TestBusLogWindow::copy_puts_the_selected_rows_on_the_clipboard()
{
    MainWindowFixture f;
    f.start();
    frmBusLog *log = open_log(f);
    auto *table = log->findChild<QTableView *>(QStringLiteral("busLogTable"));
    table->selectionModel()->select(table->model()->index(3, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table->selectionModel()->select(table->model()->index(1, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);

    QTest::mouseClick(log->findChild<QPushButton *>(QStringLiteral("cmdCopy")), Qt::LeftButton);

    const QString text = QGuiApplication::clipboard()->text();
    QCOMPARE(text, bus_rows_text(f.window->bus_log(), {1, 3}));
    QCOMPARE(text.count(QLatin1Char('\n')), 2);
    QVERIFY(text.contains(QStringLiteral("\tword read\tE9h\t")));
}

void TestBusLogWindow::export_writes_the_whole_log()
{
    MainWindowFixture f;
    f.start();
    frmBusLog *log = open_log(f);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    log->choose_export_path = [&path](QWidget *) { return path; };
    QStringList errors;
    log->report_error = [&errors](QWidget *, const QString &text) { errors << text; };

    QTest::mouseClick(log->findChild<QPushButton *>(QStringLiteral("cmdExportCsv")), Qt::LeftButton);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QCOMPARE(written, bus_log_csv(f.window->bus_log()).toUtf8());
    QVERIFY(written.startsWith("Time,Kind,Address,Bytes,Meaning\r\n"));
    QCOMPARE(written.count("\r\n"), f.window->bus_log().size() + 1);
    QVERIFY(errors.isEmpty());

    // Cancelling the file dialog writes nothing and says nothing.
    log->choose_export_path = [](QWidget *) { return QString(); };
    QVERIFY(!log->export_csv());
    QVERIFY(errors.isEmpty());
}

void TestBusLogWindow::export_failure_is_reported()
{
    BusLog busLog;
    frmBusLog log(busLog);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no-such-dir/log.csv"));
    log.choose_export_path = [&path](QWidget *) { return path; };
    QStringList errors;
    log.report_error = [&errors](QWidget *, const QString &text) { errors << text; };

    QVERIFY(!log.export_csv());
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QDir::toNativeSeparators(path)), qPrintable(errors[0]));
}

// Rows falling out of the front and arriving at the back between two looks.
void TestBusLogWindow::table_keeps_up_with_a_capped_log()
{
    BusLog log(4);
    BusLogModel model(log);
    for (quint8 reg = 0; reg < 3; ++reg)
        log.append(pointer_write(reg));
    QTRY_COMPARE(model.rowCount(), 3);

    for (quint8 reg = 3; reg < 9; ++reg)
        log.append(pointer_write(reg));
    // Before the table catches up, rows the log dropped show nothing.
    QCOMPARE(cell(&model, 0, BusLogColumn::Bytes), QString());
    QTRY_COMPARE(model.rowCount(), 4);
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << cell(&model, row, BusLogColumn::Bytes);
    QCOMPARE(shown, (QStringList{"E8 05", "E8 06", "E8 07", "E8 08"}));
    // Rows keep the numbers they came with.
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QStringLiteral("6"));

    log.clear();
    model.sync();
    QCOMPARE(model.rowCount(), 0);
}

QTEST_MAIN(TestBusLogWindow)
#include "tst_bus_log_window.moc"
