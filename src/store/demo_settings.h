#pragma once

#include "store/settings_store.h"

namespace zrx {

// The demo's first run. Nothing stored means a reference of 0 V, with which
// every typed voltage is silently ignored: a new user would look at 24 zeros
// that do not respond. Unless the store already holds a reference for either
// address, both get 10 V. Only the simulated board's store is ever seeded;
// a real board must start with what its user entered.
void seed_demo_settings(SettingsStore &store);

} // namespace zrx
