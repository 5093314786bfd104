#pragma once

#include <QComboBox>

#include "link/port_listing.h"

namespace ctrlprog {

// The editable port box: the four numbered ports, then the serial ports the system detects,
// read again each time the list opens so a newly plugged USB adapter can be picked. A detected
// port shows its path, description and serial number; choosing it puts its stable by-id path
// (else its device path) in the box. The last entry, "Several ports…", asks for a fixture.
class PortComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit PortComboBox(QWidget* parent = nullptr);
  void showPopup() override;

  // Puts `ports` after the fixed choices, then "Several ports…", keeping the text in the box.
  void ShowPorts(const std::vector<PortDescription>& ports);

 signals:
  // "Several ports…" was chosen; the box keeps its text.
  void severalPortsWanted();

 private:
  QString textBefore_;  // the text in the box when the list opened
};

}  // namespace ctrlprog
