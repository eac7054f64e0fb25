#pragma once

#include "bus/serial_control.h"
#include "device/batch_runner.h"
#include "device/chip.h"
#include "store/settings_store.h"
#include "ui/batch/batch_state.h"
#include "ui/batch/single_step_position.h"

#include <QDialog>

#include <memory>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QModelIndex;
class QPushButton;

namespace zrx {

class DirectoryList;

// "Run Batch": plays the selected channel-set files of one directory onto the
// chip, either over and over with a pause after each file or one file per
// button press. The window keeps no channel state; every step goes through the
// shared table, the main window's boxes and the bus. It is the batch runner's
// face in the window: its selection, its labels and its yielding pauses.
class frm_batch : public QDialog, private BatchFace {
    Q_OBJECT
public:
    frm_batch(Chip &chip, SerialControl &MSComm1, SettingsStore &store, BatchState &state,
              QWidget *parent = nullptr);
    ~frm_batch() override;

    // Delay "1", Dir1 on the stored directory, File1 on Dir1, steps from the top.
    void batch_window_load();

    // Loads the File1 entry at position onto the chip and, when the whole set
    // reached the chip, sends the step marker and shows labelText in Label3.
    // A file that is not a channel set, or a port that is closed or goes away,
    // is reported under Label3; what was loaded before the fault stays in the
    // window. True when the whole set reached the chip.
    bool load_batch_file(int position, const QString &labelText);

    // Cycles through the selected files, top to bottom, pausing for Text1's
    // seconds after each, until a check after a pause finds BatchStopFlag set
    // (by "Stop Batch" or by closing the window), or the port goes away.
    // Yields throughout, so every button stays live and may run inside the
    // pause; "Run Batch" itself does nothing while a run goes on.
    void run_batch();

    // Loads the next selected file in the given direction, wrapping around.
    void single_step(StepDirection direction);

    // The directory File1 lists.
    QString file_directory() const { return m_fileDirectory; }

signals:
    // After every file a run or a single step tried, whether it reached the chip.
    void batch_step_done(int position, bool loaded);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    // The runner's face.
    int file_count() const override;
    bool file_chosen(int position) const override { return entry_selected(position); }
    BatchFile write_file(int position) override;
    bool file_done(int position, const BatchFile &file) override;
    bool pause_after_file() override;
    bool pass_done(bool triedAny) override;

    // Shows how a file went, labelled labelText in Label3 when it reached the chip.
    bool tell_file(int position, const QString &labelText, const BatchFile &file);
    // A port lost since the run began: said under Label3 and the run stops.
    // A loss found right after a file was told with that file's name.
    bool port_lost_in_run(bool toldByFile);
    void build_controls();
    bool point_dir_at(const QString &directory);
    void dir_changed(const QModelIndex &current);
    void fill_file_list(const QString &directory);
    void mark_list_clicked();
    bool entry_selected(int position) const;
    // "COM5 (/dev/ttyUSB0) was disconnected: <consequence>."
    QString port_lost_text(const QString &consequence) const;

    Chip &m_chip;
    SerialControl &MSComm1;
    SettingsStore &m_store;
    BatchState &m_state;

    QFileSystemModel *m_dirModel = nullptr;
    DirectoryList *Dir1 = nullptr;
    QListWidget *File1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *lblBatchStatus = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;

    QString m_fileDirectory;
    // Refilling File1 clears its selection; that is not the user's click.
    bool m_refillingList = false;
    // A run is on the stack: a second one inside its pause would take over,
    // and the first would lose its place in the list.
    bool m_running = false;
    // The running batch's pause, and whether its port was open when it began.
    double m_runDelay = 0;
    bool m_runPortWasOpen = false;
    // The file the step under way loaded, and the step's bus work action,
    // from write_file to the end of tell_file.
    QString m_fileName;
    std::unique_ptr<BusWorkAction> m_stepAction;
};

} // namespace zrx
