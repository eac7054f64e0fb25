// Every window at 200% (CTest runs this with QT_SCALE_FACTOR=2), and once
// more with the text twice as large on top, as a desktop that scales fonts
// rather than pixels would show it: shown at its size hint, no label or
// button may be smaller than its text needs.
#include "main_window_fixture.h"

#include "store/settings_keys.h"
#include "ui/batch/frm_batch.h"
#include "ui/buslog/frm_bus_log.h"
#include "ui/dialogs/frm_port_settings.h"
#include "ui/panel/frm_slider.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QTest>

using namespace zrx;

namespace {

QString where(const QWidget *w)
{
    return QStringLiteral("%1 \"%2\" in %3")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), w->window()->objectName());
}

// Labels that wrap trade width for height: they need the height their text
// takes at the width they got. Measured from the text, as QLabel's own
// answer never comes out below the label's minimum height.
int wrapped_height(const QLabel *label)
{
    const QMargins margins = label->contentsMargins();
    const int width = label->width() - margins.left() - margins.right() - 2 * label->margin();
    const QRect text = label->fontMetrics().boundingRect(QRect(0, 0, qMax(width, 1), QWIDGETSIZE_MAX),
                                                         Qt::TextWordWrap, label->text());
    return text.height() + margins.top() + margins.bottom() + 2 * label->margin();
}

QStringList clipped_in(QWidget *window)
{
    QStringList clipped;
    QList<QWidget *> widgets;
    for (QLabel *label : window->findChildren<QLabel *>())
        widgets << label;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        widgets << button;
    for (QWidget *w : widgets) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        const auto *label = qobject_cast<QLabel *>(w);
        QSize needed = w->sizeHint();
        if (label && label->wordWrap())
            needed = QSize(0, wrapped_height(label));
        if (w->width() < needed.width() || w->height() < needed.height()) {
            clipped << QStringLiteral("%1: %2x%3, needs %4x%5")
                           .arg(where(w))
                           .arg(w->width())
                           .arg(w->height())
                           .arg(needed.width())
                           .arg(needed.height());
        }
    }
    return clipped;
}

QStringList shown_at_size_hint(QWidget *window)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return {QStringLiteral("%1 never showed").arg(window->objectName())};
    window->resize(window->sizeHint());
    // Let the layouts settle at the new size: a wrapping label that got
    // narrower asks for more height, which resizes the window again.
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::processEvents();
        window->layout()->activate();
    }
    QStringList clipped = clipped_in(window);
    window->hide();
    return clipped;
}

// The longest texts the status line shows: a refused port and a silent chip.
void with_long_status_texts(MainWindowFixture &f)
{
    f.board.set_existing_ports({3});
    f.board.set_refused_ports({3});
    f.store.write(PortNumbEntry.section, PortNumbEntry.key, QStringLiteral("3"));
}

} // namespace

class TestScreenScaling : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nothing_clipped_data();
    void nothing_clipped();
};

void TestScreenScaling::initTestCase()
{
    QVERIFY2(qFuzzyCompare(qApp->devicePixelRatio(), 2.0),
             "run through CTest, which sets QT_SCALE_FACTOR=2 for this test");
}

void TestScreenScaling::nothing_clipped_data()
{
    QTest::addColumn<double>("textScale");
    QTest::newRow("200%") << 1.0;
    QTest::newRow("200%, text twice as large") << 2.0;
}

void TestScreenScaling::nothing_clipped()
{
    QFETCH(double, textScale);
    const QFont usual = QApplication::font();
    QFont font = usual;
    font.setPointSizeF(usual.pointSizeF() * textScale);
    QApplication::setFont(font);
    auto restore = qScopeGuard([usual] { QApplication::setFont(usual); });

    MainWindowFixture f(BoardConnection::SerialPort);
    with_long_status_texts(f);
    f.start();
    f.window->setObjectName(QStringLiteral("frmZRX50346"));
    QVERIFY(!f.window->findChild<QLabel *>(QStringLiteral("statusChip"))->text().isEmpty());

    QStringList clipped = shown_at_size_hint(f.window.get());

    QMetaObject::invokeMethod(f.button(QStringLiteral("Command9")), "click");
    QVERIFY(f.window->control_panel());
    clipped += shown_at_size_hint(f.window->control_panel());

    BatchState state;
    frm_batch batch(f.window->chip(), f.window->MSComm1(), f.store, state, f.window.get());
    clipped += shown_at_size_hint(&batch);

    frmPortSettings ports(f.window->ports(), f.window->MSComm1(), f.window.get());
    clipped += shown_at_size_hint(&ports);

    f.window->show_bus_log();
    clipped += shown_at_size_hint(f.window->bus_log_window());

    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestScreenScaling)
#include "tst_screen_scaling.moc"
