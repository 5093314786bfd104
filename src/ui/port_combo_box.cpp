#include "ui/port_combo_box.h"

#include <QAbstractItemView>
#include <QCoreApplication>

#include "link/port_name.h"
#include "link/qt/detected_ports.h"

namespace ctrlprog {
namespace {

// Built on first use, so no exception can escape while statics are built.
const QStringList& FixedChoices() {
  static const QStringList choices = {"1 ", "2   ", "3 ", "4 "};
  return choices;
}
// What choosing an entry puts in the box.
constexpr int kPathRole = Qt::UserRole;
// Marks the entry that asks for several ports.
constexpr int kSeveralRole = Qt::UserRole + 1;

// The numbered choice that already names `device`, if one does.
std::optional<int> NumberedChoiceFor(const std::string& device) {
  for (int n = 1; n <= FixedChoices().size(); ++n) {
    if (DeviceForPortText(std::to_string(n)).device == device) return n;
  }
  return std::nullopt;
}

// The entry as the list shows it: the device, the numbered choice that already names it, then
// what is known of the adapter.
QString EntryText(const PortDescription& port) {
  const std::string rest = PortEntryText(port, std::nullopt).substr(port.device.size());
  QString text = QString::fromStdString(port.device);
  if (const auto n = NumberedChoiceFor(port.device)) {
    text += "  " + QCoreApplication::translate("PortList", "(port %1)").arg(*n);
  }
  return text + QString::fromStdString(rest);
}

}  // namespace

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  addItems(FixedChoices());
  connect(this, &QComboBox::activated, this, [this](int index) {
    if (itemData(index, kSeveralRole).toBool()) {
      setEditText(textBefore_);
      emit severalPortsWanted();
      return;
    }
    const QVariant path = itemData(index, kPathRole);
    if (path.isValid()) setEditText(path.toString());
  });
}

void PortComboBox::showPopup() {
  ShowPorts(DetectedPorts());
  QComboBox::showPopup();
}

void PortComboBox::ShowPorts(const std::vector<PortDescription>& ports) {
  const QString text = currentText();
  textBefore_ = text;
  while (count() > FixedChoices().size()) removeItem(count() - 1);
  for (const PortDescription& port : ports) {
    addItem(EntryText(port), QString::fromStdString(PortEntryPath(port)));
  }
  addItem(QCoreApplication::translate("PortList", "Several ports…"));
  setItemData(count() - 1, true, kSeveralRole);
  // The open list is as wide as its longest entry; the box keeps its own width.
  view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
  setEditText(text);
}

}  // namespace ctrlprog
