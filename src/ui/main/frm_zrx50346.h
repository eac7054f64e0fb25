#pragma once

#include "bus/bus_log.h"
#include "bus/logging_serial_control.h"
#include "bus/modem_line_bus.h"
#include "bus/port_state.h"
#include "bus/serial_control.h"
#include "core/channel_table.h"
#include "core/channel_view.h"
#include "device/chip.h"
#include "store/settings_store.h"
#include "ui/main/file_choice.h"
#include "ui/batch/batch_state.h"
#include "ui/buslog/frm_bus_log.h"
#include "ui/main/message_box.h"
#include "ui/panel/frm_slider.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QPushButton;

namespace zrx {

class AddressButton;
class BusyIndicator;
class EntryBox;
class StatusLabel;
class UpDown;

// What sits behind MSComm1: a serial port, or the simulated board, which has
// no port to scan or open.
enum class BoardConnection { SerialPort, SimulatedBoard };

// The program's central window: one row per channel, the Vsup box and the
// command buttons. Its boxes are the channel model's view, so refresh_channels
// writes them directly and a voltage box whose text changes runs its change
// handling (current channel, conversion, chip write) nested in the writer.
//
// Object names: single controls carry their own name (Text13, txtMaxBank,
// Command1 .. Command11, UpDown1); element k of a control array is named
// "<array>_<k>", so "Text1_0" is the voltage box and "Text15_0" the code box
// of channel 1, and "Label1_<k>", "LabelV_<k>", "LabelH_<k>" are that row's
// label and its "V" and "h". The arrows of UpDown1 are "UpDown1_up" and
// "UpDown1_down".
//
// MSComm1 is wrapped so that every window's traffic reaches the bus log; the
// status line ("statusPort", "statusChip", "statusVsup", "statusFile") says
// where the port stands, whether the chip answered the last read-back, when
// a reference of 0 V or below makes typed voltages do nothing, and which
// codes of the last loaded file the chip could not take as they stood.
// Clicking it, or Ctrl+L, opens the bus log.
class frmZRX50346 : public QMainWindow, public ChannelView {
    Q_OBJECT
public:
    // Ends the process once the settings are stored. In the program it never
    // returns, so nothing runs after the window closes, not even the rest of
    // a batch run or a read-back pause that the close interrupted.
    using EndProgram = std::function<void()>;

    frmZRX50346(std::unique_ptr<SerialControl> MSComm1, SettingsStore &store, BoardConnection connection,
                EndProgram end_program, QWidget *parent = nullptr);
    ~frmZRX50346() override;

    // Every transaction of the program, for the bus log window.
    BusLog &bus_log() { return m_busLog; }
    // Shows the bus log window, made on first use.
    void show_bus_log();
    frmBusLog *bus_log_window() const { return m_busLogWindow; }

    // The start-up sequence; run once, after construction.
    void start_up();

    // Reopens MSComm1 on another port or bit rate (the port setup dialog).
    bool fncInitializeComPort(qint32 bitRate, int portNumber);

    // Colour and caption of the Change Address button for A0Setting.
    void set_address_button();

    // ChannelView: the real boxes.
    QString volts_text(int channel) const override;
    void set_volts_text(int channel, const QString &text) override;
    QString code_text(int channel) const override;
    void set_code_text(int channel, const QString &text) override;
    QString vsup_text() const override;
    void set_vsup_text(const QString &text) override;
    void set_max_bank_text(const QString &text) override;
    void refresh_control_panel() override;

    // What the other windows are handed: the program's one table, chip, port
    // and store, and the directory the file dialogs start in.
    ChannelTable &table() { return m_table; }
    Chip &chip() { return m_chip; }
    PortState &ports() { return m_ports; }
    SerialControl &MSComm1() { return *m_MSComm1; }
    SettingsStore &settings_store() { return m_store; }
    QString &DefaultDir() { return m_DefaultDir; }

    // The control panel while it is open; it deletes itself when closed.
    frmSlider *control_panel() const { return m_panel; }
    // The file dialog and the message boxes; tests replace both.
    ChooseFile choose_file = choose_file_with_dialog;
    ShowMessage show_message = show_message_box;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void volts_changed(int k);
    void volts_clicked(int k);
    void volts_left(int k);
    void vsup_left();
    void step_down();
    void step_up();

    void change_address();
    void read_dac();
    void reset_chip();
    void program_otp();
    void save_channel_file();
    void load_channel_file();
    void show_about();
    void show_batch_window();
    void show_control_panel();
    void show_port_settings();
    void show_port_status();

private:
    void build_controls();
    void lay_out_controls();
    void connect_controls();
    void set_tab_order();
    void build_status_line();
    void show_chip_status();
    void show_reference_status();
    void show_rows(bool shown);
    void list_simulated_board_port();
    void step_code(int step);
    QString choose_channel_file();

    // Before MSComm1, which writes to it until the end.
    BusLog m_busLog;
    std::unique_ptr<LoggingSerialControl> m_MSComm1;
    SettingsStore &m_store;
    BoardConnection m_connection;
    EndProgram m_end_program;
    ModemLineBus m_bus;
    ChannelTable m_table;
    PortState m_ports;
    QString m_DefaultDir;
    Chip m_chip;
    // The batch runner's flags outlive its window.
    BatchState m_batchState;
    QPointer<frmSlider> m_panel;
    QPointer<frmBusLog> m_busLogWindow;
    BusyIndicator *m_busy = nullptr;
    bool m_closeWhenIdle = false;
    StatusLabel *statusPort = nullptr;
    StatusLabel *statusChip = nullptr;
    StatusLabel *statusVsup = nullptr;
    StatusLabel *statusFile = nullptr;

    std::array<EntryBox *, ChannelCount> Text1{};
    std::array<EntryBox *, ChannelCount> Text15{};
    EntryBox *Text13 = nullptr;
    EntryBox *txtMaxBank = nullptr;
    AddressButton *Command7 = nullptr;
    UpDown *UpDown1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command9 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command11 = nullptr;
};

} // namespace zrx
