#pragma once

#include <QComboBox>

#include "link/port_listing.h"

namespace ctrlprog {

// The editable port box: the four numbered ports, then the serial ports the system detects,
// read again each time the list opens so a newly plugged USB adapter can be picked. A detected
// port shows its path, description and serial number; choosing it puts its stable by-id path
// (else its device path) in the box.
class PortComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit PortComboBox(QWidget* parent = nullptr);
  void showPopup() override;

  // Puts `ports` after the fixed choices, keeping the text in the box.
  void ShowPorts(const std::vector<PortDescription>& ports);
};

}  // namespace ctrlprog
