#include "bus/ftdi/ftdi_adapter_claim.h"

#include "bus/ftdi/ftdi_driver.h"

#include <QElapsedTimer>
#include <QThread>

namespace zrx {
namespace {

using namespace std::chrono_literals;

// How long giving back waits for the serial driver to bring the node back.
constexpr qint64 NodeReturnMs = 2000;
// The chip sends what samples it has after this long; its default of 16 ms
// would be added to every flush.
constexpr std::chrono::milliseconds LatencyTimer = 1ms;

} // namespace

FtdiAdapterClaim::FtdiAdapterClaim(FtdiDriver &driver, const UsbAdapterLocator &locator)
    : m_driver(driver), m_locator(locator)
{
}

bool FtdiAdapterClaim::claim(const UsbAdapter &adapter)
{
    m_errorText.clear();
    m_family = {};
    if (!m_driver.open(adapter)) {
        m_errorText = m_driver.error_text();
        return false;
    }
    m_family = m_driver.chip_family();
    if (!m_family.refusal.isEmpty()) {
        m_errorText = m_family.refusal;
        return false;
    }
    if (!m_driver.set_latency_timer(LatencyTimer)) {
        m_errorText = m_driver.error_text();
        return false;
    }
    return true;
}

bool FtdiAdapterClaim::is_claimed() const
{
    return m_driver.is_open();
}

void FtdiAdapterClaim::release(const QString &node, bool waitForNode)
{
    const bool taken = m_driver.adapter_taken();
    m_driver.close();
    if (!waitForNode || !taken)
        return;
    QElapsedTimer waiting;
    waiting.start();
    while (!m_locator.node_ready(node) && waiting.elapsed() < NodeReturnMs)
        QThread::msleep(10);
}

} // namespace zrx
