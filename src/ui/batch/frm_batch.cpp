#include "ui/batch/frm_batch.h"

#include "core/number_text.h"
#include "core/wait_seconds.h"
#include "store/channel_set_file.h"
#include "store/out_of_range_text.h"
#include "store/settings_keys.h"
#include "ui/batch/batch_file_path.h"
#include "ui/batch/directory_list.h"
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
    if (!File1->item(position))
        return false;
    const BatchFile file = BatchRunner(*this, MSComm1).play_file(position);
    return tell_file(position, labelText, file);
}

int frm_batch::file_count() const
{
    return File1->count();
}

BatchFile frm_batch::write_file(int position)
{
    m_fileName = File1->item(position)->text();
    const QString path = batch_file_path(m_fileDirectory, m_fileName);
    Chip &chip = m_chip;
    const bool portWasOpen = MSComm1.is_open();
    // One batch step is one action, to the end of tell_file: its work may
    // keep the windows painted, and the pause after it is the run's own.
    m_stepAction = std::make_unique<BusWorkAction>(chip.observer);
    const QString &name = m_fileName;
    const ChannelSetLoadResult result =
        load_channel_set(path, chip.table, chip.view, [&chip, &name] { write_loaded_channel(chip, name); });
    if (!result.ok) {
        // No message box: a run must go on past a bad file without anyone there.
        lblBatchStatus->setText(result.error);
        return {};
    }
    // Label3 names only sets that reached the chip, and only they are
    // followed by a marker: equipment listening on the transmit line must
    // never be told of a set the chip does not hold.
    if (!MSComm1.is_open()) {
        lblBatchStatus->setText(portWasOpen
                                    ? port_lost_text(QStringLiteral("%1 did not reach the chip").arg(name))
                                    : QStringLiteral("The serial port is closed: %1 was loaded into the "
                                                     "window but did not reach the chip.")
                                          .arg(name));
        return {};
    }
    // Stored as read, sent saturated, read by leading digits; a marker that
    // fails says more.
    if (const QString notes = loaded_file_notes(name, result); !notes.isEmpty())
        lblBatchStatus->setText(notes);
    return {BatchFile::Result::Played, ChannelCount};
}

bool frm_batch::tell_file(int position, const QString &labelText, const BatchFile &file)
{
    // Ends the step's action once all is told, as the step's last act.
    const std::unique_ptr<BusWorkAction> action = std::move(m_stepAction);
    const bool played = file.result == BatchFile::Result::Played;
    if (played && !file.markerSent) {
        lblBatchStatus->setText(
            MSComm1.is_open()
                ? QStringLiteral("The serial port did not take the step marker in time: no marker was sent for %1.")
                      .arg(m_fileName)
                : port_lost_text(QStringLiteral("no step marker was sent for %1").arg(m_fileName)));
    }
    if (played)
        Label3->setText(labelText);
    emit batch_step_done(position, played);
    return played;
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
    // before the pause returns; the runner then asks the window nothing more.
    const QPointer<frm_batch> window(this);
    m_running = true;
    const auto finished = qScopeGuard([&window] {
        if (window)
            window->m_running = false;
    });

    m_state.BatchStopFlag = 0;
    lblBatchStatus->clear();
    m_runDelay = leading_number(Text1->text());
    // Lost in the middle of the run, the port takes nothing more: the run
    // stops rather than go on naming files that never reach the chip. A run
    // started on a closed port goes on, saying so at every file.
    m_runPortWasOpen = MSComm1.is_open();
    BatchRunner(*this, MSComm1).run(0);
}

bool frm_batch::file_done(int position, const BatchFile &file)
{
    tell_file(position, File1->item(position)->text(), file);
    return !port_lost_in_run(true);
}

bool frm_batch::port_lost_in_run(bool toldByFile)
{
    if (!m_runPortWasOpen || MSComm1.is_open())
        return false;
    const QString told = toldByFile ? lblBatchStatus->text() : port_lost_text(QString());
    lblBatchStatus->setText(told + QStringLiteral(" The batch run stopped."));
    return true;
}

// Handlers run inside the pause; closing the window there may destroy it,
// so the state the answer needs is reached before and after through copies.
bool frm_batch::pause_after_file()
{
    const QPointer<frm_batch> window(this);
    BatchState &state = m_state;
    wait_seconds(m_runDelay);
    process_pending_events();
    return window && state.BatchStopFlag != 1 && !port_lost_in_run(false);
}

bool frm_batch::pass_done(bool triedAny)
{
    const QPointer<frm_batch> window(this);
    BatchState &state = m_state;
    // Nothing selected: wait for the user rather than spin on an empty list.
    if (triedAny)
        process_pending_events();
    else
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return window && state.BatchStopFlag != 1;
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
