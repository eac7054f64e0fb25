#pragma once

#include <QLatin1String>

namespace zrx {

// One stored setting: the section carries the setting's name and the key is
// a short digit string, except for the directory. Earlier releases wrote
// these exact pairs, so users' stored values depend on them.
struct SettingsEntry {
    QLatin1String section;
    QLatin1String key;
};

// The application the settings are stored under.
inline constexpr QLatin1String SettingsApplication{"ZRX50346"};
// The simulated board's own store, with the same sections and keys, so that
// a demo never changes what a real board opens with, nor the other way round.
inline constexpr QLatin1String SimulatedSettingsApplication{"ZRX50346-simulated"};

inline constexpr SettingsEntry DefaultDirEntry{QLatin1String("Startup"), QLatin1String("Default_Dir")};
inline constexpr SettingsEntry VrefHigh0Entry{QLatin1String("vref_high0"), QLatin1String("10")};
inline constexpr SettingsEntry VrefLow0Entry{QLatin1String("vref_low0"), QLatin1String("1")};
inline constexpr SettingsEntry VrefHigh1Entry{QLatin1String("vref_high1"), QLatin1String("10")};
inline constexpr SettingsEntry VrefLow1Entry{QLatin1String("vref_low1"), QLatin1String("1")};
inline constexpr SettingsEntry A0Entry{QLatin1String("a0"), QLatin1String("1")};
inline constexpr SettingsEntry PortNumbEntry{QLatin1String("PortNumb"), QLatin1String("2")};
inline constexpr SettingsEntry BitRateEntry{QLatin1String("BitRate"), QLatin1String("3")};

// Added later, in a section of its own so the pairs above stay as they were:
// "1" when the bus may run in fast mode on an FTDI adapter.
inline constexpr SettingsEntry FastModeEntry{QLatin1String("FastMode"), QLatin1String("1")};
// The adapter fast mode last took, as the fast port writes it: how the next
// run finds it again when this one could not give it back.
inline constexpr SettingsEntry FastModeAdapterEntry{QLatin1String("FastMode"), QLatin1String("adapter")};

} // namespace zrx
