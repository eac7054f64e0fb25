#pragma once

#include "support/golden_bus_text.h"
#include "support/recording_serial_control.h"
#include "sim/simulated_board.h"
#include "store/memory_settings_store.h"
#include "ui/main/entry_box.h"
#include "ui/main/frm_zrx50346.h"

#include <QPushButton>
#include <QStringList>

#include <memory>

namespace zrx {

// The main window on the simulated board, with a recorder in between so a
// test can decode what reached the chip's pins. Dialogs and message boxes go
// to lists instead of the screen, and closing the window stores the settings
// and counts an ending instead of ending the test.
struct MainWindowFixture {
    explicit MainWindowFixture(BoardConnection connection = BoardConnection::SimulatedBoard);
    // The window on a port of the test's own instead (no recorder): the test
    // reads the wire where that port puts it.
    MainWindowFixture(BoardConnection connection, std::unique_ptr<SerialControl> port);
    ~MainWindowFixture();

    // Start-up, shown and active (focus changes need an active window);
    // the trace of the start-up is kept in startupTrace.
    void start();

    EntryBox *volts_box(int channel) const;
    EntryBox *code_box(int channel) const;
    EntryBox *vsup_box() const;
    EntryBox *max_bank_box() const;
    QPushButton *button(const QString &name) const;
    QWidget *widget(const QString &name) const;

    // Replaces a box's text as a user would: select all, then type.
    void type_into(QLineEdit *box, const QString &text);
    // Moves the focus on with the Tab key, as a user leaves a box.
    void press_tab();
    void mouse_click(QWidget *widget);

    // What went over the wire since the last call, as decoded bus text.
    QStringList take_transactions();

    // The chip's registers, as a test sets them up before start-up.
    void put_codes(const QList<int> &codes);

    SimulatedBoard board;
    RecordingSerialControl *recorder = nullptr; // owned by the window; none on a port of the test's
    MemorySettingsStore store;
    std::unique_ptr<frmZRX50346> window;
    QStringList startupTrace;

    int endings = 0;
    std::function<void()> on_ending; // runs at each ending, after the count
    QList<MessageRequest> messages;
    QList<FileChoiceRequest> fileRequests;
    QString fileToChoose; // what the "dialog" returns; empty is a cancel

private:
    void make_window(std::unique_ptr<SerialControl> port, BoardConnection connection);
};

// Input as the window system delivers it: queued, and handled by the next
// event loop that takes user input, not sent straight to a widget.
void queue_key(QWidget *window, Qt::Key key, const QString &text);
void queue_click(QWidget *target);

} // namespace zrx
