#include "ui/panel/frm_slider.h"

#include "core/conversions.h"
#include "core/number_text.h"
#include "ui/panel/panel_scale.h"
#include "ui/panel/panel_slider.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace zrx {
namespace {

constexpr int SingleStep = 1;
constexpr int PageStep = 5;
// Tall enough that one pixel is a handful of codes on a full-height drag.
constexpr int SliderHeightPx = 300;

QString caption_of(int channel)
{
    // The VCOM channels read "Vc1"/"Vc2" here, where the main window has room only for "c1"/"c2".
    const QString label = channel_label(channel);
    return label.startsWith(QLatin1Char('c')) ? QStringLiteral("V") + label : label;
}

QLabel *make_label(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

frmSlider::frmSlider(Chip &chip, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_chip(chip)
{
    setObjectName(QStringLiteral("frmSlider"));
    setWindowTitle(QStringLiteral("Control Panel"));
    setAttribute(Qt::WA_DeleteOnClose);
    build_layout();

    refresh_control_panel();
    m_chip.table.ControlPanelOpen = 1;
}

void frmSlider::build_layout()
{
    auto *grid = new QGridLayout(this);
    grid->setHorizontalSpacing(2);

    // The scale stands left of the sliders, Label1 level with their top ends
    // and Label5 with their bottom ends.
    auto *scale = new QVBoxLayout;
    for (int k = 0; k < int(m_scale.size()); ++k) {
        if (k > 0)
            scale->addStretch(1);
        m_scale[k] = new QLabel(QString::number(k + 1), this);
        m_scale[k]->setObjectName(QStringLiteral("Label%1").arg(k + 1));
        m_scale[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        scale->addWidget(m_scale[k]);
    }
    grid->addLayout(scale, 0, 0);

    grid->addWidget(make_label(QStringLiteral("Label28"), QStringLiteral("Vout"), this), 1, 0);
    grid->addWidget(make_label(QStringLiteral("Label29"), QStringLiteral("Code "), this), 2, 0);
    grid->addWidget(make_label(QStringLiteral("Label30"), QStringLiteral("Channel"), this), 3, 0);

    const auto &order = channels_in_screen_order();
    for (int column = 0; column < ChannelCount; ++column) {
        const int channel = order[column];
        const int i = channel - 1;

        auto *slider = new PanelSlider(this);
        slider->setObjectName(QStringLiteral("Slider1_%1").arg(i));
        slider->setRange(SliderTop, SliderBottom);
        slider->setSingleStep(SingleStep);
        slider->setPageStep(PageStep);
        // Position 0 belongs at the top, and "up" must still mean more volts.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
        slider->setMinimumHeight(SliderHeightPx);
        // Styles highlight the groove from the minimum to the thumb, which here
        // is from full scale down: the opposite of the channel's level. Without
        // the highlight the darker groove below the thumb shows the level.
        QPalette plain = slider->palette();
        plain.setColor(QPalette::Highlight, plain.color(QPalette::Button));
        slider->setPalette(plain);
        // actionTriggered comes only from the user (mouse, keyboard, wheel),
        // with the new position already set and the value not yet; positions
        // set by refresh_control_panel never raise it, so a refresh writes
        // nothing. It also comes when nothing moves (Home at the top, a held
        // click beyond an end): that writes nothing either.
        connect(slider, &QAbstractSlider::actionTriggered, this, [this, i, slider](int action) {
            if (action != QAbstractSlider::SliderNoAction && slider->sliderPosition() != slider->value())
                slider_moved(i);
        });
        Slider1[i] = slider;
        grid->addWidget(slider, 0, column + 1, Qt::AlignHCenter);

        Label26[i] = make_label(QStringLiteral("Label26_%1").arg(i), QStringLiteral("1"), this);
        Label27[i] = make_label(QStringLiteral("Label27_%1").arg(i), QStringLiteral("2"), this);
        grid->addWidget(Label26[i], 1, column + 1);
        grid->addWidget(Label27[i], 2, column + 1);
        grid->addWidget(make_label(QStringLiteral("Caption_%1").arg(i), caption_of(channel), this), 3,
                        column + 1);
    }
}

void frmSlider::refresh_control_panel()
{
    const ChannelTable &table = m_chip.table;
    for (int c = FirstChannel; c <= LastChannel; ++c) {
        Slider1[c - 1]->setValue(slider_position_of_code(table.ChannelCode[c]));
        Label27[c - 1]->setText(format_code(table.ChannelCode[c]));
        // The stored voltage, not one recomputed from the code.
        Label26[c - 1]->setText(format_volts(table.ChannelVolts[c]));
    }
    const auto texts = scale_label_texts(table.VrefHigh, table.VrefLow);
    for (int k = 0; k < int(m_scale.size()); ++k)
        m_scale[k]->setText(texts[k]);
}

void frmSlider::slider_moved(int i)
{
    const BusWorkAction action(m_chip.observer);
    const int channel = i + 1;
    // The slider already stands at the new position; its value catches up
    // after this returns.
    m_chip.table.ChannelCode[channel] = code_of_slider_position(Slider1[i]->sliderPosition());
    Label27[i]->setText(format_code(m_chip.table.ChannelCode[channel]));
    m_chip.table.CurrentChannel = channel;
    write_channel(m_chip);
    // Redraws the main window's rows (which may write changed rows again) and,
    // the panel being open, this panel; then the panel once more.
    refresh_channels(m_chip.table, m_chip.view);
    refresh_control_panel();
}

void frmSlider::closeEvent(QCloseEvent *event)
{
    m_chip.table.ControlPanelOpen = 0;
    QWidget::closeEvent(event);
}

} // namespace zrx
