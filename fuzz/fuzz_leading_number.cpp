// Any byte string, as Latin-1 or as UTF-8 text, must give a finite number
// without reading outside the input.
#include "core/number_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto bytes = QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
    const double asLatin1 = zrx::leading_number(bytes);
    const double asUtf8 = zrx::leading_number(QString::fromUtf8(bytes));
    if (!std::isfinite(asLatin1) || !std::isfinite(asUtf8))
        std::abort();
    // The display form of whatever was read must read back to a finite number too.
    if (!std::isfinite(zrx::leading_number(zrx::number_text(asLatin1))))
        std::abort();
    return 0;
}
