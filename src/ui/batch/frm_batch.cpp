#include "ui/batch/frm_batch.h"

#include "core/number_text.h"
#include "core/wait_seconds.h"
#include "store/channel_set_file.h"
#include "store/out_of_range_text.h"
#include "store/settings_keys.h"
#include "ui/batch/batch_file_path.h"
#include "ui/batch/directory_list.h"
#include "ui/batch/step_marker.h"
#include "bus/port_names.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace zrx {
namespace {

constexpr double Label3PointSize = 13.5;

// Sent on the transmit line after every file, so equipment listening there can
// tell when the next set is on the chip.
constexpr unsigned char StepMarkerByte = 1;

} // namespace

frm_batch::frm_batch(Chip &chip, SerialControl &port, SettingsStore &store, BatchState &state,
                     QWidget *parent)
    : QDialog(parent), m_chip(chip), MSComm1(port), m_store(store), m_state(state)
{
    setObjectName(QStringLiteral("frm_batch"));
    setWindowTitle(QStringLiteral("Run Batch"));
    setModal(true);
    build_controls();
    batch_window_load();
}

frm_batch::~frm_batch()
{
    // A run may still be on the stack, paused inside this window's handler.
    m_state.BatchStopFlag = 1;
}

void frm_batch::build_controls()
{
    m_dirModel = new QFileSystemModel(this);
    m_dirModel->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_dirModel->setRootPath(QString());

    Dir1 = new DirectoryList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setModel(m_dirModel);
    Dir1->setHeaderHidden(true);
    for (int column = 1; column < m_dirModel->columnCount(); ++column)
        Dir1->hideColumn(column);
    connect(Dir1, &DirectoryList::directory_chosen, this, [this](const QModelIndex &index) { dir_changed(index); });

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(File1, &QListWidget::itemSelectionChanged, this, [this] { mark_list_clicked(); });
    connect(File1, &QListWidget::itemClicked, this, [this] { mark_list_clicked(); });

    Label1 = new QLabel(QStringLiteral("Delay"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label1->setBuddy(Text1);
    Label2 = new QLabel(QStringLiteral("sec."), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont label3Font = Label3->font();
    label3Font.setBold(true);
    label3Font.setPointSizeF(Label3PointSize);
    Label3->setFont(label3Font);

    lblBatchStatus = new QLabel(this);
    lblBatchStatus->setObjectName(QStringLiteral("lblBatchStatus"));
    lblBatchStatus->setWordWrap(true);

    Command1 = new QPushButton(QStringLiteral("Run Batch"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("Stop Batch"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("Single Step Down"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command4 = new QPushButton(QStringLiteral("Single Step Up"), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    // Enter in the delay box must not start a run by itself.
    for (QPushButton *button : {Command1, Command2, Command3, Command4})
        button->setAutoDefault(false);

    connect(Command1, &QPushButton::clicked, this, [this] { run_batch(); });
    connect(Command2, &QPushButton::clicked, this, [this] { m_state.BatchStopFlag = 1; });
    connect(Command3, &QPushButton::clicked, this, [this] { single_step(StepDirection::Down); });
    connect(Command4, &QPushButton::clicked, this, [this] { single_step(StepDirection::Up); });

    auto *delayRow = new QHBoxLayout;
    delayRow->addWidget(Label1);
    delayRow->addWidget(Text1);
    delayRow->addWidget(Label2);
    delayRow->addStretch();

    auto *buttons = new QVBoxLayout;
    buttons->addLayout(delayRow);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addSpacing(12);
    buttons->addWidget(Command3);
    buttons->addWidget(Command4);
    buttons->addStretch();

    auto *grid = new QGridLayout(this);
    grid->addWidget(Dir1, 0, 0);
    grid->addWidget(File1, 1, 0);
    grid->addLayout(buttons, 0, 1, 2, 1);
    grid->addWidget(Label3, 2, 0, 1, 2);
    grid->addWidget(lblBatchStatus, 3, 0, 1, 2);
    resize(560, 480);
}

void frm_batch::batch_window_load()
{
    Text1->setText(QStringLiteral("1"));
    // Only the directory: the references, address and port in memory are the
    // user's current choices, which the main window shows and stores at exit.
    const QString DefaultDir = m_store.read(DefaultDirEntry.section, DefaultDirEntry.key);
    if (DefaultDir.isEmpty() || !point_dir_at(DefaultDir))
        point_dir_at(QDir::currentPath());
    fill_file_list(m_dirModel->filePath(Dir1->currentIndex()));
    m_state.BatchStepIndex = 0;
}

bool frm_batch::point_dir_at(const QString &directory)
{
    const QString cleaned = QDir::cleanPath(QDir::fromNativeSeparators(directory));
    if (!QFileInfo(cleaned).isDir())
        return false;
    const QModelIndex index = m_dirModel->index(cleaned);
    if (!index.isValid())
        return false;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        Dir1->expand(parent);
    Dir1->setCurrentIndex(index);
    Dir1->expand(index);
    Dir1->scrollTo(index);
    return true;
}

void frm_batch::dir_changed(const QModelIndex &current)
{
    if (current.isValid())
        fill_file_list(m_dirModel->filePath(current));
}

void frm_batch::fill_file_list(const QString &directory)
{
    m_refillingList = true;
    File1->clear();
    m_fileDirectory = directory;
    if (!directory.isEmpty())
        File1->addItems(QDir(directory).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
    m_refillingList = false;
}

void frm_batch::mark_list_clicked()
{
    if (!m_refillingList)
        m_state.BatchListClicked = 1;
}

bool frm_batch::entry_selected(int position) const
{
    const QListWidgetItem *entry = File1->item(position);
    return entry && entry->isSelected();
}

bool frm_batch::load_batch_file(int position, const QString &labelText)
{
    const QListWidgetItem *entry = File1->item(position);
    if (!entry)
        return false;
    const QString name = entry->text();
    const QString path = batch_file_path(m_fileDirectory, name);
    Chip &chip = m_chip;
    const bool portWasOpen = MSComm1.is_open();
    // One batch step is one action: its work may keep the windows painted,
    // and the pause after it is the run's own.
    const BusWorkAction action(chip.observer);
    const ChannelSetLoadResult result =
        load_channel_set(path, chip.table, chip.view, [&chip, &name] { write_loaded_channel(chip, name); });
    if (!result.ok) {
        // No message box: a run must go on past a bad file without anyone there.
        lblBatchStatus->setText(result.error);
        emit batch_step_done(position, false);
        return false;
    }
    // Label3 names only sets that reached the chip, and only they are
    // followed by a marker: equipment listening on the transmit line must
    // never be told of a set the chip does not hold.
    if (!MSComm1.is_open()) {
        lblBatchStatus->setText(portWasOpen ? port_lost_text(QStringLiteral("%1 did not reach the chip").arg(name))
                                            : QStringLiteral("The serial port is closed: %1 was loaded into the "
                                                             "window but did not reach the chip.")
                                                  .arg(name));
        emit batch_step_done(position, false);
        return false;
    }
    // Stored as read, sent saturated, read by leading digits; a marker that
    // fails says more.
    if (const QString notes = loaded_file_notes(name, result); !notes.isEmpty())
        lblBatchStatus->setText(notes);
    m_state.TxByteBuffer[1] = StepMarkerByte;
    if (!send_tx_bytes(m_state, MSComm1, 1)) {
        lblBatchStatus->setText(MSComm1.is_open()
                                    ? QStringLiteral("The serial port did not take the step marker in time: "
                                                     "no marker was sent for %1.")
                                          .arg(name)
                                    : port_lost_text(QStringLiteral("no step marker was sent for %1").arg(name)));
    }
    Label3->setText(labelText);
    emit batch_step_done(position, true);
    return true;
}

QString frm_batch::port_lost_text(const QString &consequence) const
{
    QString text = port_display_name(MSComm1.port_number()) + QStringLiteral(" was disconnected");
    if (!consequence.isEmpty())
        text += QStringLiteral(": ") + consequence;
    return text + QLatin1Char('.');
}

void frm_batch::run_batch()
{
    if (m_running)
        return;
    // The run may outlive the window: closing it mid-pause can destroy it
    // before the pause returns. The state belongs to the program and stays.
    BatchState &state = m_state;
    const QPointer<frm_batch> window(this);
    m_running = true;
    const auto finished = qScopeGuard([&window] {
        if (window)
            window->m_running = false;
    });

    state.BatchStopFlag = 0;
    lblBatchStatus->clear();
    const double delay = leading_number(Text1->text());
    // Lost in the middle of the run, the port takes nothing more: the run
    // stops rather than go on naming files that never reach the chip. A run
    // started on a closed port goes on, saying so at every file.
    const bool portWasOpen = MSComm1.is_open();
    // A loss found right after a step was told by the step, naming its file.
    const auto port_lost = [&](bool toldByStep) {
        if (!portWasOpen || MSComm1.is_open())
            return false;
        const QString told = toldByStep ? lblBatchStatus->text() : port_lost_text(QString());
        lblBatchStatus->setText(told + QStringLiteral(" The batch run stopped."));
        return true;
    };

    while (state.BatchStopFlag != 1) {
        bool triedAny = false;
        // The count is taken again before every file: a handler running in the
        // pause may have changed the directory or the selection.
        for (int p = 0; p < File1->count(); ++p) {
            if (!entry_selected(p))
                continue;
            triedAny = true;
            load_batch_file(p, File1->item(p)->text());
            if (port_lost(true))
                return;
            wait_seconds(delay);
            process_pending_events();
            if (!window || state.BatchStopFlag == 1 || port_lost(false))
                return;
        }
        // Nothing selected: wait for the user rather than spin on an empty list.
        if (triedAny)
            process_pending_events();
        else
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!window)
            return;
    }
}

void frm_batch::single_step(StepDirection direction)
{
    lblBatchStatus->clear();
    const std::optional<int> position = single_step_position(
        m_state, File1->count(), [this](int p) { return entry_selected(p); }, direction);
    if (!position)
        return;
    load_batch_file(*position, File1->item(*position)->text() + number_text(*position));
}

void frm_batch::hideEvent(QHideEvent *event)
{
    // Closing the window ends a run; being minimised does not.
    if (!event->spontaneous())
        m_state.BatchStopFlag = 1;
    QDialog::hideEvent(event);
}

} // namespace zrx
