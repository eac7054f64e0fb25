#include "store/settings.h"

#include "core/conversions.h"
#include "core/number_text.h"
#include "store/platform_paths.h"
#include "store/settings_keys.h"

#include <cmath>
#include <limits>
#include <optional>

namespace zrx {
namespace {

QString read(const SettingsStore &store, const SettingsEntry &entry)
{
    return store.read(entry.section, entry.key);
}

void write(SettingsStore &store, const SettingsEntry &entry, const QString &value)
{
    store.write(entry.section, entry.key, value);
}

// Nearest integer with halves to even (2.5 -> 2, 3.5 -> 4), whatever
// rounding mode the floating-point unit happens to be in.
double round_half_even(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        return below + 1.0;
    return below;
}

// The stored number rounded, or nothing when it does not fit the integer type.
template <typename Integer>
std::optional<Integer> stored_integer(const SettingsStore &store, const SettingsEntry &entry)
{
    const double value = round_half_even(leading_number(read(store, entry)));
    if (value < double(std::numeric_limits<Integer>::min())
        || value > double(std::numeric_limits<Integer>::max()))
        return std::nullopt;
    return Integer(value);
}

// A store that cannot be read sensibly gives a working setup instead: the
// second address, a 5 V reference, the first port at 9600 bit/s.
void apply_fallbacks(SettingsTargets &targets)
{
    targets.DefaultDir = fallback_directory();
    targets.table.A0Setting = QStringLiteral("1");
    targets.table.VrefHigh = 5.0;
    targets.table.VrefLow = 0.0;
    targets.PortNumb = 1;
    targets.BitRate = 9600;
    targets.view.set_vsup_text(number_text(targets.table.VrefHigh));
}

} // namespace

void load_settings(const SettingsStore &store, SettingsTargets &targets)
{
    ChannelTable &table = targets.table;
    targets.DefaultDir = read(store, DefaultDirEntry);

    table.VrefHighByA0[0] = leading_number(read(store, VrefHigh0Entry));
    // Older releases kept a lower reference here; it is always 0 now.
    (void)read(store, VrefLow0Entry);
    table.VrefLowByA0[0] = 0.0;
    table.VrefHighByA0[1] = leading_number(read(store, VrefHigh1Entry));
    (void)read(store, VrefLow1Entry);
    table.VrefLowByA0[1] = 0.0;

    table.A0Setting = read(store, A0Entry);

    const auto port = stored_integer<qint16>(store, PortNumbEntry);
    if (!port) {
        apply_fallbacks(targets);
        return;
    }
    targets.PortNumb = *port;
    const auto rate = stored_integer<qint32>(store, BitRateEntry);
    if (!rate) {
        apply_fallbacks(targets);
        return;
    }
    targets.BitRate = *rate;

    // Anything but "1" means the first address. A stray value would otherwise
    // pick the second reference, show the first address on the button and
    // end up as a foreign character in the bus address.
    if (table.A0Setting != QLatin1String("1"))
        table.A0Setting = QStringLiteral("0");

    select_reference(table, targets.view);
    table.VrefLow = 0.0;
}

void save_settings(SettingsStore &store, const ChannelTable &table, int PortNumb, qint32 BitRate)
{
    write(store, VrefHigh0Entry, number_text(table.VrefHighByA0[0]));
    write(store, VrefHigh1Entry, number_text(table.VrefHighByA0[1]));
    write(store, A0Entry, table.A0Setting);
    write(store, PortNumbEntry, QString::number(PortNumb));
    write(store, BitRateEntry, QString::number(BitRate));
}

void save_default_dir(SettingsStore &store, const QString &directory)
{
    write(store, DefaultDirEntry, directory);
}

bool load_fast_mode(const SettingsStore &store)
{
    return read(store, FastModeEntry) == QLatin1String("1");
}

void save_fast_mode(SettingsStore &store, bool on)
{
    write(store, FastModeEntry, on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString load_fast_mode_adapter(const SettingsStore &store)
{
    return read(store, FastModeAdapterEntry);
}

void save_fast_mode_adapter(SettingsStore &store, const QString &adapter)
{
    write(store, FastModeAdapterEntry, adapter);
}

} // namespace zrx
