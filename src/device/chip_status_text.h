#pragma once

#include "device/chip.h"

#include <QString>

namespace zrx {

// What the words of the last read-back say about the chip: empty unless
// every one of them read FFFF, the only sign of a chip that does not answer.
QString chip_status_text(const ReadBackRecord &record);

// What a burn cut short by a lost port left behind: the frames up to
// `lastChannelBurned` went out, and the bank after the last full one may now
// hold a partial set. Said alike by the window and the command-line tool.
QString otp_burn_cut_text(int lastChannelBurned);

// A written byte nobody acknowledged, named by the transaction's address
// byte: "No chip acknowledged at EAh (A0 = 1)", or the general call's.
QString no_acknowledge_text(int addressByte);

// The data line read low while the bus was idle, and the likely causes.
QString data_line_held_text(const QString &portName);

} // namespace zrx
