#pragma once

#include "ui/batch/batch_state.h"

#include <functional>
#include <optional>

namespace zrx {

enum class StepDirection { Down, Up };

// One move of the single-step position in a list of count entries: down past
// the last entry wraps to the top, up past the first wraps to the bottom.
int step_move(int index, int count, StepDirection direction);

// Moves BatchStepIndex to the next selected entry in the given direction,
// skipping unselected ones and wrapping around the list. After a click in the
// list (BatchListClicked) it lands on the topmost selected entry instead and
// clears the flag. Returns the position to load, or nothing when the list is
// empty or nothing is selected; then no search is made and the index is only
// brought back into the list.
std::optional<int> single_step_position(BatchState &state, int count,
                                        const std::function<bool(int position)> &is_selected,
                                        StepDirection direction);

} // namespace zrx
