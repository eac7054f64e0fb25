#pragma once

#include "bus/port_state.h"
#include "bus/serial_control.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace zrx {

// The "COM Setting" dialog: choose the port that carries the bus and the bit
// rate it runs at, and whether fast mode may carry it on an FTDI adapter.
// Every pick is applied at once by re-opening the port, so OK and Cancel only
// close the dialog; nothing is undone. The dialog is filled when it is built;
// the owner shows it with exec() and lets it go afterwards.
class frmPortSettings : public QDialog {
    Q_OBJECT
public:
    frmPortSettings(PortState &ports, SerialControl &MSComm1, QWidget *parent = nullptr);

    // The bit rates offered, in list order.
    static const QList<qint32> &bit_rates();

    // Fills both lists from PortNames, PortNumb and BitRate and says when the
    // stored port cannot be used. Selecting entries here re-opens nothing.
    void port_dialog_load();
    // The user picked a port / a bit rate: store it and re-open the port.
    void port_selected();
    void bit_rate_selected();
    // The user switched fast mode on or off: re-open the port with it.
    void fast_mode_clicked(bool on);
    // The user asked for a new look at the machine's ports: run the scan
    // again and refill the port list as the load fills it, so an adapter
    // plugged in since start-up can be chosen.
    void rescan();

    // The scan behind rescan(); scan_com_ports on the dialog's port unless
    // the owner knows better (the simulated board has no ports to probe).
    std::function<void()> rescan_ports;

private:
    void build_layout();
    void set_up_fast_mode();

    PortState &m_ports;
    SerialControl &m_MSComm1;
    QComboBox *comboComPort = nullptr;
    QComboBox *comboBitRate = nullptr;
    QLabel *txtstatusLabel = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdRescan = nullptr;
    QCheckBox *chkFastMode = nullptr;
    // Whether "COM" & PortNumb stood among the listed names at load.
    bool PortFound = false;
};

} // namespace zrx
