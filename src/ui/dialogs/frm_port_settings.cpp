#include "ui/dialogs/frm_port_settings.h"

#include "bus/line_settings.h"
#include "bus/port_discovery.h"
#include "bus/port_names.h"
#include "ui/dialogs/port_entry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zrx {

frmPortSettings::frmPortSettings(PortState &ports, SerialControl &MSComm1, QWidget *parent)
    : QDialog(parent)
    , rescan_ports([this] { scan_com_ports(m_MSComm1, m_ports); })
    , m_ports(ports)
    , m_MSComm1(MSComm1)
{
    setObjectName(QStringLiteral("frmPortSettings"));
    setWindowTitle(QStringLiteral("COM Port Setup"));
    setModal(true);
    build_layout();

    port_dialog_load();
    set_up_fast_mode();

    // activated comes only from the user, so the pre-selection made by the
    // load above re-opens nothing.
    connect(comboComPort, &QComboBox::activated, this, &frmPortSettings::port_selected);
    connect(comboBitRate, &QComboBox::activated, this, &frmPortSettings::bit_rate_selected);
    connect(chkFastMode, &QCheckBox::clicked, this, &frmPortSettings::fast_mode_clicked);
    // Each pick has already been applied: both buttons just close.
    connect(cmdRescan, &QPushButton::clicked, this, &frmPortSettings::rescan);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

const QList<qint32> &frmPortSettings::bit_rates()
{
    return offered_bit_rates();
}

void frmPortSettings::build_layout()
{
    auto *frmCommPort = new QGroupBox(QStringLiteral("Select Serial Port"), this);
    frmCommPort->setObjectName(QStringLiteral("frmCommPort"));
    QFont bold = frmCommPort->font();
    bold.setBold(true);
    frmCommPort->setFont(bold);

    // The frame's bold caption must not spill onto its contents.
    auto *Label1 = new QLabel(QStringLiteral("Port # :"), frmCommPort);
    auto *Label2 = new QLabel(QStringLiteral("Baud Rate:"), frmCommPort);
    comboComPort = new QComboBox(frmCommPort);
    comboBitRate = new QComboBox(frmCommPort);
    txtstatusLabel = new QLabel(frmCommPort);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    comboComPort->setObjectName(QStringLiteral("comboComPort"));
    comboBitRate->setObjectName(QStringLiteral("comboBitRate"));
    txtstatusLabel->setObjectName(QStringLiteral("txtstatusLabel"));
    QFont plain = bold;
    plain.setBold(false);
    for (QWidget *w : std::initializer_list<QWidget *>{Label1, Label2, comboComPort, comboBitRate, txtstatusLabel})
        w->setFont(plain);
    comboComPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    txtstatusLabel->setWordWrap(true);
    // Room for the longer status text on two lines, in the font's measure.
    txtstatusLabel->setMinimumWidth(txtstatusLabel->fontMetrics().averageCharWidth() * 30);
    cmdRescan = new QPushButton(QStringLiteral("Rescan"), frmCommPort);
    cmdRescan->setObjectName(QStringLiteral("cmdRescan"));
    cmdRescan->setFont(plain);
    cmdRescan->setAutoDefault(false);
    cmdRescan->setToolTip(QStringLiteral("Look for serial ports again, for an adapter plugged in since start-up"));
    chkFastMode = new QCheckBox(QStringLiteral("Fast mode (FTDI adapters)"), frmCommPort);
    chkFastMode->setObjectName(QStringLiteral("chkFastMode"));
    chkFastMode->setFont(plain);

    auto *frameLayout = new QGridLayout(frmCommPort);
    frameLayout->addWidget(Label1, 0, 0);
    frameLayout->addWidget(comboComPort, 0, 1);
    frameLayout->addWidget(cmdRescan, 0, 2);
    frameLayout->addWidget(Label2, 1, 0);
    frameLayout->addWidget(comboBitRate, 1, 1);
    frameLayout->addWidget(chkFastMode, 2, 0, 1, 3);
    frameLayout->addWidget(txtstatusLabel, 0, 3, 3, 1);
    frameLayout->setColumnStretch(3, 1);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdOK->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frmCommPort);
    layout->addLayout(buttons);

    // Screen order: the port row, the rate row, then the buttons.
    setTabOrder(comboComPort, cmdRescan);
    setTabOrder(cmdRescan, comboBitRate);
    setTabOrder(comboBitRate, chkFastMode);
    setTabOrder(chkFastMode, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
}

void frmPortSettings::port_dialog_load()
{
    if (m_ports.BitRate == 0)
        m_ports.BitRate = DefaultBitRate;

    // The port list first, then the rates.
    const QString storedName = port_name(m_ports.PortNumb);
    comboComPort->clear();
    PortFound = false;
    int storedIndex = -1;
    for (const QString &name : m_ports.PortNames) {
        comboComPort->addItem(port_entry_text(name));
        if (name == storedName) {
            PortFound = true;
            storedIndex = comboComPort->count() - 1;
        }
    }
    // A combo box selects its first entry by itself; only the stored port may
    // stand selected.
    comboComPort->setCurrentIndex(storedIndex);

    if (m_ports.PortNumb < 1) {
        comboComPort->setCurrentIndex(-1);
        txtstatusLabel->setText(QStringLiteral("Please select a COM port."));
    } else if (!PortFound) {
        comboComPort->setCurrentIndex(-1);
        txtstatusLabel->setText(storedName + QStringLiteral(" is unavailable. Please select a different port."));
    }

    comboBitRate->clear();
    for (const qint32 rate : bit_rates())
        comboBitRate->addItem(QString::number(rate));
    // A stored rate outside the list (one from an edited settings store) stays
    // in force with nothing selected until the user picks one.
    comboBitRate->setCurrentIndex(bit_rates().indexOf(m_ports.BitRate));
}

// Only a port control that knows fast mode offers it; the simulated board
// has no adapter, and a program built without FTDI support says so.
void frmPortSettings::set_up_fast_mode()
{
    const FastModeSwitch *fastMode = m_MSComm1.fast_mode();
    chkFastMode->setChecked(fastMode && fastMode->fast_mode_wanted());
    chkFastMode->setEnabled(fastMode && fastMode->fast_mode_supported());
    if (!fastMode) {
        chkFastMode->setToolTip(QStringLiteral("Fast mode needs a serial port on an FTDI adapter"));
    } else if (!fastMode->fast_mode_supported()) {
        QString reason = fast_mode_not_built_reason();
        reason[0] = reason[0].toUpper();
        chkFastMode->setToolTip(reason);
    } else {
        chkFastMode->setToolTip(QStringLiteral("Send each bus transaction in one USB transfer on FTDI adapters "
                                               "(FT232R, FT231X, FT2232, FT232H); the status line says whether it took"));
    }
}

void frmPortSettings::fast_mode_clicked(bool on)
{
    if (FastModeSwitch *fastMode = m_MSComm1.fast_mode()) {
        fastMode->set_fast_mode_wanted(on);
        open_selected_port(m_MSComm1, m_ports);
    }
}

void frmPortSettings::rescan()
{
    rescan_ports();
    // The load sets a status only when there is something to say.
    txtstatusLabel->clear();
    port_dialog_load();
}

void frmPortSettings::port_selected()
{
    if (comboComPort->currentIndex() < 0)
        return;
    m_ports.PortNumb = port_number_of_entry(comboComPort->currentText());
    open_selected_port(m_MSComm1, m_ports);
}

void frmPortSettings::bit_rate_selected()
{
    const int index = comboBitRate->currentIndex();
    if (index < 0)
        return;
    m_ports.BitRate = bit_rates().at(index);
    open_selected_port(m_MSComm1, m_ports);
}

} // namespace zrx
