#include "store/demo_settings.h"

#include "core/number_text.h"
#include "store/settings_keys.h"

namespace zrx {
namespace {

constexpr double DemoReferenceVolts = 10.0;

} // namespace

void seed_demo_settings(SettingsStore &store)
{
    const bool empty = store.read(VrefHigh0Entry.section, VrefHigh0Entry.key).isEmpty()
                       && store.read(VrefHigh1Entry.section, VrefHigh1Entry.key).isEmpty();
    if (!empty)
        return;
    // Written as the program stores a reference at shutdown.
    store.write(VrefHigh0Entry.section, VrefHigh0Entry.key, number_text(DemoReferenceVolts));
    store.write(VrefHigh1Entry.section, VrefHigh1Entry.key, number_text(DemoReferenceVolts));
}

} // namespace zrx
