#include "checked_output.h"

namespace zrx {

// Windows has no SIGPIPE, and a write to a closed standard handle fails
// (_write returns -1) without another file taking its place.
void prepare_standard_streams() {}

} // namespace zrx
