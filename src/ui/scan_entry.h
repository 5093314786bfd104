#pragma once

#include <functional>

namespace ctrlprog {

class ResultPanel;
class UnitGate;

// Wires a scanning port's "Serial" box to its gate: Enter offers the serial; a refusal, at once
// or once the line database answered, shows on the panel in the operator's language; `changed`
// hears every change of the gate (a serial taken or let go, the counts).
void ConnectScanning(ResultPanel& panel, UnitGate& gate, std::function<void()> changed);

}  // namespace ctrlprog
