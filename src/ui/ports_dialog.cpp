#include "ui/ports_dialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/port_listing.h"
#include "link/qt/detected_ports.h"
#include "ui/qt_text.h"

namespace ctrlprog {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("PortsDialog", text);
}

}  // namespace

PortsDialog::PortsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("PortsDialog");
  setWindowTitle(Tr("Ports of the fixture"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(Tr("Choose the ports of the fixture's sockets (Ctrl or Shift for more "
                              "than one):"),
                           this);
  label->setWordWrap(true);
  layout->addWidget(label);

  list_ = new QListWidget(this);
  list_->setObjectName("lstPorts");
  list_->setAccessibleName(Tr("Ports"));
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  label->setBuddy(list_);
  for (const PortDescription& port : DetectedPorts()) {
    auto* item = new QListWidgetItem(ToQString(PortEntryText(port, std::nullopt)), list_);
    item->setData(Qt::UserRole, ToQString(PortEntryPath(port)));
  }
  layout->addWidget(list_);

  auto* otherRow = new QHBoxLayout;
  auto* otherLabel = new QLabel(Tr("&Other port:"), this);
  other_ = new QLineEdit(this);
  other_->setObjectName("txtOtherPort");
  other_->setAccessibleName(Tr("Other port"));
  otherLabel->setBuddy(other_);
  other_->installEventFilter(this);
  auto* add = new QPushButton(Tr("&Add"), this);
  add->setObjectName("cmdAddPort");
  add->setAutoDefault(false);
  otherRow->addWidget(otherLabel);
  otherRow->addWidget(other_, 1);
  otherRow->addWidget(add);
  layout->addLayout(otherRow);
  connect(add, &QPushButton::clicked, this, &PortsDialog::AddTyped);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("buttons");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

bool PortsDialog::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the port box adds the port, and does not press OK.
  if (watched == other_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      AddTyped();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void PortsDialog::AddTyped() {
  const QString port = other_->text().trimmed();
  if (port.isEmpty()) return;
  auto* item = new QListWidgetItem(port, list_);
  item->setData(Qt::UserRole, port);
  item->setSelected(true);
  other_->clear();
}

std::vector<std::string> PortsDialog::Chosen() const {
  std::vector<std::string> ports;
  for (int i = 0; i < list_->count(); ++i) {
    const QListWidgetItem* item = list_->item(i);
    if (!item->isSelected()) continue;
    const std::string port = ToStdString(item->data(Qt::UserRole).toString());
    if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
  }
  return ports;
}

}  // namespace ctrlprog
