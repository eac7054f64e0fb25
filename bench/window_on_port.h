#pragma once

#include "null_serial_control.h"
#include "sim/simulated_board.h"
#include "store/memory_settings_store.h"
#include "ui/main/frm_zrx50346.h"

#include <QList>

#include <memory>

namespace zrx {

// Which port the measured work runs against: the simulated board, or a port
// that does nothing, which leaves only the program's own cost.
enum class Backend { SimulatedBoard, NullPort };

// The real main window, started as the program starts it, on a settings store
// that lives in memory.
struct WindowOnPort {
    explicit WindowOnPort(Backend backend, const QList<int> &chipCodes = {});

    MemorySettingsStore store;
    SimulatedBoard *board = nullptr; // owned by the window; null on the null port
    std::unique_ptr<frmZRX50346> window;
};

// 24 codes that differ per set, so loading one set over another changes every row.
QList<int> bench_codes(int set);

} // namespace zrx
