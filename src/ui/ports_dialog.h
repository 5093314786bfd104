#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;

namespace ctrlprog {

// Picks the ports of a fixture: the serial ports the system detects, any number of them
// selected, and any other port typed in and added. Each entry is the port's stable path.
class PortsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PortsDialog(QWidget* parent = nullptr);
  // The chosen ports, in the list's order.
  std::vector<std::string> Chosen() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Adds the typed port to the list, chosen.
  void AddTyped();

  QListWidget* list_ = nullptr;
  QLineEdit* other_ = nullptr;
};

}  // namespace ctrlprog
