#pragma once

#include "core/bit_strings.h"
#include "ui/main/message_box.h"

namespace zrx {

// The report of an impossible conversion as the user sees it: a box with the
// message, OK only, under the application's name, and then the program ends
// (end_program must not return to the caller).
FatalHandler make_fatal_message_handler(ShowMessage show, std::function<void()> end_program);

} // namespace zrx
