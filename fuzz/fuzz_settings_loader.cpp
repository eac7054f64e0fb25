// Any stored texts in the eight settings entries (the input split at line
// feeds, in the order load_settings reads them): loading must end with a
// usable address setting and the numbers in range, and the stored texts of
// what it loaded must load to the same again.
#include "core/channel_table.h"
#include "core/headless_channel_view.h"
#include "core/number_text.h"
#include "store/memory_settings_store.h"
#include "store/settings.h"
#include "store/settings_keys.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Last: its check() macro must not reach the headers above.
#include "fuzz_check.h"

namespace {

using namespace zrx;

constexpr std::array<const SettingsEntry *, 8> Entries{
    &DefaultDirEntry, &VrefHigh0Entry, &VrefLow0Entry, &VrefHigh1Entry,
    &VrefLow1Entry,   &A0Entry,        &PortNumbEntry, &BitRateEntry,
};

// The display form keeps 15 significant digits, so a stored text is only as
// exact as that.
bool same_number(double a, double b)
{
    return std::fabs(a - b) <= 1e-14 * std::max(std::fabs(a), std::fabs(b));
}

struct Loaded {
    ChannelTable table;
    HeadlessChannelView view;
    QString DefaultDir;
    int PortNumb = -1;
    qint32 BitRate = -1;
};

void load(const MemorySettingsStore &store, Loaded &into)
{
    SettingsTargets targets{into.table, into.view, into.DefaultDir, into.PortNumb, into.BitRate};
    load_settings(store, targets);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> texts = bytes.split('\n');
    MemorySettingsStore store;
    for (qsizetype i = 0; i < qsizetype(Entries.size()) && i < texts.size(); ++i)
        store.write(Entries[i]->section, Entries[i]->key, QString::fromUtf8(texts[i]));

    Loaded first;
    load(store, first);
    const ChannelTable &t = first.table;
    check(t.A0Setting == QLatin1String("0") || t.A0Setting == QLatin1String("1"));
    check(std::isfinite(t.VrefHigh) && t.VrefLow == 0.0);
    check(std::isfinite(t.VrefHighByA0[0]) && std::isfinite(t.VrefHighByA0[1]));
    check(first.PortNumb >= -32768 && first.PortNumb <= 32767);
    check(!first.view.vsup_text().isEmpty());
    check(same_number(leading_number(first.view.vsup_text()), t.VrefHigh));

    // What the program would store at shutdown reads back as what it holds.
    MemorySettingsStore saved;
    save_settings(saved, t, first.PortNumb, first.BitRate);
    Loaded second;
    load(saved, second);
    check(second.table.A0Setting == t.A0Setting);
    check(second.PortNumb == first.PortNumb);
    check(second.BitRate == first.BitRate);
    check(same_number(second.table.VrefHighByA0[0], t.VrefHighByA0[0]));
    check(same_number(second.table.VrefHighByA0[1], t.VrefHighByA0[1]));
    return 0;
}
