#include "ui/window/port_combo_box.h"

#include <QSerialPortInfo>

namespace ctrlprog {
namespace {

const QStringList kFixedChoices = {"1 ", "2   ", "3 ", "4 "};

}  // namespace

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  addItems(kFixedChoices);
}

void PortComboBox::showPopup() {
  RefreshPorts();
  QComboBox::showPopup();
}

void PortComboBox::RefreshPorts() {
  const QString text = currentText();
  while (count() > kFixedChoices.size()) removeItem(count() - 1);
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    addItem(info.systemLocation());
    if (!info.description().isEmpty()) {
      setItemData(count() - 1, info.description(), Qt::ToolTipRole);
    }
  }
  setEditText(text);
}

}  // namespace ctrlprog
