#include "ui/scan_entry.h"

#include "scan/unit_gate.h"
#include "ui/qt_text.h"
#include "ui/result_panel.h"

namespace ctrlprog {

void ConnectScanning(ResultPanel& panel, UnitGate& gate, std::function<void()> changed) {
  panel.SetScanning(true);
  QObject::connect(&panel, &ResultPanel::serialEntered, &panel,
                   [&panel, &gate, changed](const QString& text) {
                     const std::optional<std::string> refusal = gate.Offer(text.toStdString());
                     panel.ShowScanNote(refusal ? ToQString(*refusal) : QString());
                     if (changed) changed();
                   });
  gate.onLateRefusal = [&panel, changed](const std::string&, const std::string& reason) {
    panel.ShowScanNote(ToQString(reason));
    if (changed) changed();
  };
  gate.onChanged = std::move(changed);
}

}  // namespace ctrlprog
