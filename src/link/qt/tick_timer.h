#pragma once

#include <QTimer>

#include "model/protocol.h"

namespace ctrlprog {

// Sets `timer` up as `Timer1`: the handshake's tick, kept on its 200 ms grid.
inline void SetUpTimer1(QTimer& timer) {
  timer.setInterval(kTickMs);
  timer.setTimerType(Qt::PreciseTimer);
}

}  // namespace ctrlprog
