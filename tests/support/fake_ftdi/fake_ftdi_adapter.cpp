// The fake adapter itself, which the fake libftdi (fake_ftdi.cpp) and the
// fake D2XX library (fake_d2xx/) both drive.
#include "fake_ftdi_adapter.h"

#include "bus/ftdi/ftdi_chip_family.h"

#include <algorithm>
#include <optional>

namespace zrx {
namespace {

constexpr quint8 Rts = 0x04, Dtr = 0x10, Dsr = 0x20;
std::optional<FakeFtdiAdapter> theAdapter;

} // namespace

FakeFtdiAdapter &FakeFtdiAdapter::reset()
{
    return theAdapter.emplace();
}

FakeFtdiAdapter &FakeFtdiAdapter::get()
{
    return theAdapter ? *theAdapter : reset();
}

std::chrono::nanoseconds FakeFtdiAdapter::state_period(int chipBaud) const
{
    const bool hChip = chipType == int(FtdiChipType::FT2232H) || chipType == int(FtdiChipType::FT4232H)
                     || chipType == int(FtdiChipType::FT232H);
    const int perBaud = statesPerBaud ? statesPerBaud : hChip ? 4 : 16;
    return std::chrono::nanoseconds(1'000'000'000LL / (qint64(perBaud) * chipBaud));
}

// The transmit buffers of the data sheets, per port.
int FakeFtdiAdapter::fifo_size() const
{
    if (sampleFifo)
        return sampleFifo;
    switch (FtdiChipType(chipType)) {
    case FtdiChipType::FT2232H:
        return 4096;
    case FtdiChipType::FT4232H:
        return 2048;
    case FtdiChipType::FT232H:
        return 1024;
    case FtdiChipType::FTX:
        return 512;
    default:
        return 128;
    }
}

quint8 FakeFtdiAdapter::pins() const
{
    quint8 levels = bitBang ? quint8((latch & outputs) | ~outputs)
                            : quint8(0xFF & ~(dtrAsserted ? Dtr : 0) & ~(rtsAsserted ? Rts : 0));
    return chip.data_line_high() || (bitBang && (outputs & Dsr)) ? levels : quint8(levels & ~Dsr);
}

void FakeFtdiAdapter::record(Event::Kind kind, const QByteArray &bytes)
{
    chip.set_clock_high(pins() & Dtr);
    chip.set_port_data_high(pins() & Rts);
    events.append({kind, pins(), chip.data_line_high(), chipBaud, bytes});
}

LineTrace FakeFtdiAdapter::line_trace() const
{
    LineTrace trace;
    quint8 lines = Dtr | Rts;
    for (const Event &e : events) {
        if ((e.pins ^ lines) & Dtr)
            trace.append(LineOperation::dtr(!(e.pins & Dtr)));
        if ((e.pins ^ lines) & Rts)
            trace.append(LineOperation::rts(!(e.pins & Rts)));
        lines = e.pins;
        if (e.kind == Event::Kind::State && (e.pins & Dtr))
            trace.append(LineOperation::dsr(!e.dataHigh));
        if (e.kind == Event::Kind::UartBytes)
            trace.append({LineOperation::Kind::Output, false, 0, e.bytes});
    }
    return trace;
}

bool FakeFtdiAdapter::answers(bool opened)
{
    clockNanoseconds += opened && !gone ? transferNanoseconds : 0;
    return takes_transfer(opened);
}

bool FakeFtdiAdapter::takes_transfer(bool opened)
{
    usbTransfers += opened && !gone;
    return opened && !gone;
}

void FakeFtdiAdapter::count_bulk_write()
{
    if (writesBeforeLoss-- == 0) {
        gone = true; // pulled out: the board's lines fall back to released
        chip.set_clock_high(true);
        chip.set_port_data_high(true);
    }
    mute = mute || writesBeforeMute-- == 0;
}

void FakeFtdiAdapter::send_uart(const quint8 *bytes, int size)
{
    record(Event::Kind::UartBytes, QByteArray(reinterpret_cast<const char *>(bytes), size));
    wireNanoseconds += size * 10'000'000'000LL / chipBaud;
    clockNanoseconds += size * 10'000'000'000LL / chipBaud;
}

int FakeFtdiAdapter::clock_states(const quint8 *states, int size, qint64 arrival)
{
    const int unread = int(samples.size()) - (hostDrains ? int(samples.size()) : readRoom);
    const int room = std::max(0, fifo_size() - unread);
    const int clocked = std::min(size, room);
    const qint64 period = state_period(chipBaud).count();
    chipNanoseconds = std::max(chipNanoseconds, arrival);
    for (int i = 0; i < clocked; ++i) {
        // The sample is taken as the state goes out.
        samples.append(char(pins()));
        sampleTimes.append(chipNanoseconds);
        latch = states[i];
        record(Event::Kind::State);
        chipNanoseconds += period;
    }
    mostInFlight = std::max(mostInFlight, unread + clocked);
    wireNanoseconds += clocked * period;
    return clocked;
}

int FakeFtdiAdapter::take_samples(quint8 *into, int size)
{
    if (samples.isEmpty() || mute)
        return 0;
    if (emptyReadsLeft-- > 0)
        return 0;
    emptyReadsLeft = emptyReadsBetween;
    const int count = std::min({size, int(samples.size()), readPiece ? readPiece : size});
    std::copy_n(samples.constData(), count, into);
    samples.remove(0, count);
    lastSampleNanoseconds = std::max(lastSampleNanoseconds, sampleTimes.at(count - 1));
    sampleTimes.remove(0, count);
    return count;
}

} // namespace zrx
