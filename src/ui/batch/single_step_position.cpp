#include "ui/batch/single_step_position.h"

#include <algorithm>

namespace zrx {

int step_move(int index, int count, StepDirection direction)
{
    if (direction == StepDirection::Down)
        return index < count - 1 ? index + 1 : 0;
    return index <= 0 ? count - 1 : index - 1;
}

std::optional<int> single_step_position(BatchState &state, int count,
                                        const std::function<bool(int position)> &is_selected,
                                        StepDirection direction)
{
    if (count <= 0)
        return std::nullopt;
    // The directory may have changed to a shorter list since the last step.
    state.BatchStepIndex = std::clamp(state.BatchStepIndex, 0, count - 1);

    bool anySelected = false;
    for (int p = 0; p < count && !anySelected; ++p)
        anySelected = is_selected(p);
    // Without a selected entry the searches below would never end.
    if (!anySelected)
        return std::nullopt;

    int &index = state.BatchStepIndex;
    do
        index = step_move(index, count, direction);
    while (!is_selected(index));

    if (state.BatchListClicked == 1) {
        index = 0;
        while (!is_selected(index))
            index = step_move(index, count, StepDirection::Down);
        state.BatchListClicked = 0;
    }
    return index;
}

} // namespace zrx
