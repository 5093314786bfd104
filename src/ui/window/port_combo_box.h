#pragma once

#include <QComboBox>

namespace ctrlprog {

// The editable port box: the four numbered ports, then the serial ports the system detects,
// read again each time the list opens so a newly plugged USB adapter can be picked.
class PortComboBox : public QComboBox {
 public:
  explicit PortComboBox(QWidget* parent = nullptr);
  void showPopup() override;

  // Puts the detected ports after the fixed choices, keeping the text in the box.
  void RefreshPorts();
};

}  // namespace ctrlprog
