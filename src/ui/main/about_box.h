#pragma once

#include "ui/main/message_box.h"

namespace zrx {

// The About box: title, release number from the project version, and credit.
MessageRequest about_request();

} // namespace zrx
