// Building and arranging the main window's controls.
#include "ui/main/frm_zrx50346.h"

#include "ui/main/address_button.h"
#include "ui/main/entry_box.h"
#include "ui/main/status_label.h"
#include "ui/main/up_down.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace zrx {
namespace {

// Widest texts the boxes are expected to show: a voltage such as "-12.345",
// a code up to 400h (file values may be larger), a 16-bit Max Bank word.
const QString VoltsWidthSample = QStringLiteral("-00.0000");
const QString CodeWidthSample = QStringLiteral("00000");
const QString MaxBankWidthSample = QStringLiteral("000000");

EntryBox *make_box(QWidget *parent, const QString &name, const QString &text, const QString &widthSample)
{
    auto *box = new EntryBox(text, parent);
    box->setObjectName(name);
    box->set_width_sample(widthSample);
    return box;
}

// Display-only boxes: selectable for copying, skipped by Tab.
EntryBox *make_display_box(QWidget *parent, const QString &name, const QString &text, const QString &widthSample)
{
    EntryBox *box = make_box(parent, name, text, widthSample);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::ClickFocus);
    return box;
}

QPushButton *make_button(QWidget *parent, const QString &name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // A button pressed with the mouse must take the focus on every platform,
    // so the box being left runs its handling before the button's command.
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoDefault(false);
    return button;
}

QLabel *make_label(QWidget *parent, const QString &name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    return label;
}

} // namespace

void frmZRX50346::build_controls()
{
    setWindowTitle(m_connection == BoardConnection::SimulatedBoard ? QStringLiteral("ZRX50346 - simulated board")
                                                                   : QStringLiteral("ZRX50346"));
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    // The texts below are placeholders: start-up overwrites every one of them.
    Text13 = make_box(central, QStringLiteral("Text13"), QStringLiteral("Text13"), VoltsWidthSample);
    Text13->setAccessibleName(tr("Vsup"));
    txtMaxBank = make_display_box(central, QStringLiteral("txtMaxBank"), QStringLiteral("Text14"), MaxBankWidthSample);
    txtMaxBank->setAccessibleName(tr("Max Bank"));
    Command7 = new AddressButton(central);
    Command7->setObjectName(QStringLiteral("Command7"));
    Command7->setFocusPolicy(Qt::StrongFocus);
    Command7->setAutoDefault(false);
    Command7->set_caption(QString::fromLatin1(AddressInitialCaption));
    Command7->set_colour(AddressZeroColour);

    for (int k = 0; k < ChannelCount; ++k) {
        Text1[k] = make_box(central, QStringLiteral("Text1_%1").arg(k), QStringLiteral("20.110"), VoltsWidthSample);
        Text1[k]->setAccessibleName(tr("Voltage of channel %1").arg(channel_label(k + 1)));
        Text15[k] = make_display_box(central, QStringLiteral("Text15_%1").arg(k), QStringLiteral("ABC"), CodeWidthSample);
        Text15[k]->setAccessibleName(tr("Code of channel %1").arg(channel_label(k + 1)));
    }
    UpDown1 = new UpDown(central);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));

    Command1 = make_button(central, QStringLiteral("Command1"), QStringLiteral("Save to File"));
    Command2 = make_button(central, QStringLiteral("Command2"), QStringLiteral("Load From File"));
    Command4 = make_button(central, QStringLiteral("Command4"), QStringLiteral("Run Batch"));
    Command5 = make_button(central, QStringLiteral("Command5"), QStringLiteral("Read DAC"));
    Command6 = make_button(central, QStringLiteral("Command6"), QStringLiteral("Reset"));
    Command8 = make_button(central, QStringLiteral("Command8"), QStringLiteral("About"));
    Command9 = make_button(central, QStringLiteral("Command9"), QStringLiteral("Control Panel"));
    Command10 = make_button(central, QStringLiteral("Command10"), QStringLiteral("Program OTP"));
    Command11 = make_button(central, QStringLiteral("Command11"), QStringLiteral("COM Setting"));
}

void frmZRX50346::lay_out_controls()
{
    QWidget *central = centralWidget();

    auto *top = new QGridLayout;
    top->addWidget(make_label(central, QStringLiteral("LabelVsup"), QStringLiteral("Vsup")), 0, 0);
    top->addWidget(Text13, 0, 1);
    top->addWidget(make_label(central, QStringLiteral("LabelVsupV"), QStringLiteral("V")), 0, 2);
    top->addWidget(make_label(central, QStringLiteral("LabelMaxBank"), QStringLiteral("Max Bank:")), 1, 0);
    top->addWidget(txtMaxBank, 1, 1);
    top->addWidget(Command7, 2, 0, 1, 3);
    top->setColumnStretch(3, 1);

    auto *rows = new QGridLayout;
    rows->setVerticalSpacing(2);
    const auto &order = channels_in_screen_order();
    for (int row = 0; row < ChannelCount; ++row) {
        const int k = order[row] - 1;
        QLabel *label = make_label(central, QStringLiteral("Label1_%1").arg(k), channel_label(k + 1));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(Text1[k]);
        rows->addWidget(label, row, 0);
        rows->addWidget(Text1[k], row, 1);
        rows->addWidget(make_label(central, QStringLiteral("LabelV_%1").arg(k), QStringLiteral("V")), row, 2);
        rows->addWidget(Text15[k], row, 3);
        rows->addWidget(make_label(central, QStringLiteral("LabelH_%1").arg(k), QStringLiteral("h")), row, 4);
    }
    rows->addWidget(UpDown1, 0, 5, 2, 1, Qt::AlignLeft | Qt::AlignTop);
    rows->setColumnStretch(6, 1);

    auto *buttons = new QGridLayout;
    buttons->addWidget(Command1, 0, 0);
    buttons->addWidget(Command6, 1, 0);
    buttons->addWidget(Command5, 2, 0);
    buttons->addWidget(Command10, 3, 0);
    buttons->addWidget(Command2, 0, 1);
    buttons->addWidget(Command4, 1, 1);
    buttons->addWidget(Command9, 2, 1);
    buttons->addWidget(Command11, 3, 1);
    auto *about = new QHBoxLayout;
    about->addStretch(1);
    about->addWidget(Command8);
    about->addStretch(1);
    buttons->addLayout(about, 4, 0, 1, 2);

    auto *page = new QVBoxLayout(central);
    page->addLayout(top);
    page->addLayout(rows);
    page->addLayout(buttons);
    page->addStretch(1);
    page->setSizeConstraint(QLayout::SetMinimumSize);
}

// The status line tells where the port stands and whether the chip answered;
// it is also the way into the bus log, by click or Ctrl+L.
void frmZRX50346::build_status_line()
{
    const QString tip = QStringLiteral("Click to open the bus log (Ctrl+L)");
    statusPort = new StatusLabel(this);
    statusPort->setObjectName(QStringLiteral("statusPort"));
    statusChip = new StatusLabel(this);
    statusChip->setObjectName(QStringLiteral("statusChip"));
    statusVsup = new StatusLabel(this);
    statusVsup->setObjectName(QStringLiteral("statusVsup"));
    statusFile = new StatusLabel(this);
    statusFile->setObjectName(QStringLiteral("statusFile"));
    // One above the other: the window is narrow, and a long reason wraps.
    auto *line = new QWidget(this);
    line->setObjectName(QStringLiteral("statusLine"));
    auto *lines = new QVBoxLayout(line);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    for (StatusLabel *label : {statusPort, statusChip, statusVsup, statusFile}) {
        label->setToolTip(tip);
        lines->addWidget(label);
        connect(label, &StatusLabel::clicked, this, &frmZRX50346::show_bus_log);
    }
    statusBar()->addWidget(line, 1);

    auto *openBusLog = new QAction(QStringLiteral("Bus Log"), this);
    openBusLog->setObjectName(QStringLiteral("actionBusLog"));
    openBusLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    openBusLog->setShortcutContext(Qt::WindowShortcut);
    addAction(openBusLog);
    connect(openBusLog, &QAction::triggered, this, &frmZRX50346::show_bus_log);
}

void frmZRX50346::set_tab_order()
{
    QList<QWidget *> chain{Text13, Command7};
    for (const int channel : channels_in_screen_order())
        chain.append(Text1[channel - 1]);
    chain << Command1 << Command2 << Command6 << Command4 << Command5 << Command9 << Command10 << Command11
          << Command8;
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

} // namespace zrx
