#pragma once

namespace zrx {

// The batch runner's flags. They belong to the program, not to the window:
// a run started in one window may still be unwinding when the window is gone,
// and the stop flag and the list-click flag keep their values from one opening
// of the window to the next.
struct BatchState {
    // 1 asks a running batch to end at its next check.
    int BatchStopFlag = 0;
    // The File1 position the single steps are on; 0 whenever the window opens.
    int BatchStepIndex = 0;
    // Set by a click in File1: the next single step starts again from the top.
    int BatchListClicked = 0;
};

} // namespace zrx
