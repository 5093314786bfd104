#include "ui/scan_desk.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include "scan/serial_check.h"
#include "scan/unit_gate.h"
#include "station/station.h"
#include "ui/qt_text.h"
#include "ui/result_panel.h"

namespace ctrlprog {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("ScanDesk", text);
}

bool Printable(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text) {
    if (!c.isPrint()) return false;
  }
  return true;
}

}  // namespace

ScanDesk::ScanDesk(QWidget* window, std::vector<Socket> sockets, std::function<bool()> running)
    : QObject(window),
      window_(window),
      sockets_(std::move(sockets)),
      running_(std::move(running)),
      order_(sockets_.size(), [this](size_t i) {
        const Station& station = *sockets_[i].station;
        const UnitGate* gate = station.gate();
        return ScanOrder::State{station.Running(),
                                station.link().LinkCondition() != Link::Condition::Lost,
                                gate && gate->Waiting()};
      }) {
  const QPointer<ScanDesk> desk(this);
  for (size_t i = 0; i < sockets_.size(); ++i) {
    order_.SetLabels(i, sockets_[i].labels);
    ResultPanel& panel = *sockets_[i].panel;
    UnitGate& gate = *sockets_[i].station->gate();
    panel.SetScanning(true);
    // Enter in the box itself, when keys are not taken for the station (it does not run): the
    // serial is offered to that socket.
    connect(&panel, &ResultPanel::serialEntered, this, [this, i](const QString& text) {
      if (running_()) {
        Scanned(text);
      } else {
        Offer(i, std::string(TrimScan(ToStdString(text))));
      }
    });
    gate.onLateRefusal = [desk, i](const std::string&, const std::string& reason) {
      // The line database knows the board: it passed elsewhere.
      if (desk) desk->sockets_[i].panel->ShowRefusal(Tr("already passed"), ToQString(reason));
    };
    gate.onChanged = [desk, i] {
      if (!desk) return;
      desk->ShowSocket(i);
      // Not inside the gate's own handling of a result: a moment later, on the event loop.
      QTimer::singleShot(0, desk, [desk, i] {
        desk->TakeDue(i);
        desk->ShowTurns();
      });
    };
    sockets_[i].station->OnEvent([desk, i](const LinkEvent& event) {
      if (!desk) return;
      if (event.kind == LinkEventKind::Started) {
        desk->sockets_[i].panel->ShowRefusal({}, {});
        QTimer::singleShot(0, desk, [desk] { desk->FocusTarget(); });
      }
      if (!desk->sockets_[i].station->Running()) desk->order_.Drop(i);
      if (event.kind == LinkEventKind::Restored) {
        QTimer::singleShot(0, desk, [desk, i] { desk->TakeDue(i); });
      }
      QTimer::singleShot(0, desk, [desk] { desk->ShowTurns(); });
    });
  }
  qApp->installEventFilter(this);
  ShowTurns();
}

ScanDesk::~ScanDesk() {
  qApp->removeEventFilter(this);
}

bool ScanDesk::IsSerialBox(const QWidget* w) const {
  for (const Socket& s : sockets_) {
    if (w == s.panel->SerialBox()) return true;
  }
  return false;
}

bool ScanDesk::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const auto* w = qobject_cast<QWidget*>(watched);
  // Keys for a dialog, a menu, another window, or a station at rest are left alone.
  if (!w || w->window() != window_ || QApplication::activeModalWidget() || !running_()) {
    return false;
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const bool inBox = IsSerialBox(w);
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      // Enter alone presses the focused button, as ever; after a scanner's text it takes it. A
      // box's own text (an input method's) counts as typed.
      QString line = std::exchange(typed_, QString());
      if (line.isEmpty() && inBox) line = static_cast<const QLineEdit*>(w)->text();
      if (line.isEmpty()) return inBox;
      Scanned(line);
      return true;
    }
    case Qt::Key_Backspace:
      if (typed_.isEmpty()) return inBox;
      typed_.chop(1);
      ShowTyped();
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return false;
    default:
      break;
  }
  const QString text = key->text();
  if (!Printable(text)) return false;
  // Space alone presses the focused button; within a serial it is part of it.
  if (text == " " && typed_.isEmpty()) return inBox;
  typed_ += text;
  ShowTyped();
  return true;
}

void ScanDesk::Scanned(const QString& line) {
  typed_.clear();
  ShowTyped();
  const ScanOrder::Read read = order_.Scanned(ToStdString(line), ScanOrder::Clock::now());
  switch (read.kind) {
    case ScanOrder::Read::Kind::Offer:
      Offer(read.socket, read.serial);
      break;
    case ScanOrder::Read::Kind::Queued:
      ShowSocket(read.socket);
      break;
    case ScanOrder::Read::Kind::Nowhere:
      QApplication::beep();
      break;
    case ScanOrder::Read::Kind::Chosen:
    case ScanOrder::Read::Kind::Repeat:
      break;
  }
  ShowTurns();
}

void ScanDesk::Offer(size_t i, const std::string& serial) {
  ResultPanel& panel = *sockets_[i].panel;
  if (const auto refusal = sockets_[i].station->gate()->Offer(serial)) {
    panel.ShowRefusal(ShortReason(i), ToQString(*refusal));
  } else {
    panel.ShowRefusal({}, {});
    order_.Taken(i);
  }
  ShowSocket(i);
}

void ScanDesk::TakeDue(size_t i) {
  while (const auto serial = order_.Due(i)) {
    Offer(i, *serial);
  }
  ShowSocket(i);
}

QString ScanDesk::ShortReason(size_t i) const {
  const UnitGate* gate = sockets_[i].station->gate();
  switch (gate ? gate->LastRefusal() : UnitGate::Refusal::None) {
    case UnitGate::Refusal::NotASerial:
      return Tr("not a serial");
    case UnitGate::Refusal::OnAnotherPort:
      return Tr("on another socket");
    case UnitGate::Refusal::AlreadyPassed:
      return Tr("already passed");
    case UnitGate::Refusal::Unchecked:
      return Tr("cannot check");
    case UnitGate::Refusal::Busy:
    case UnitGate::Refusal::None:
      break;
  }
  return Tr("refused");
}

void ScanDesk::ShowSocket(size_t i) {
  std::string next;
  for (const std::string& serial : order_.Queue(i)) next += (next.empty() ? "" : ", ") + serial;
  if (sockets_[i].show) sockets_[i].show(next);
}

void ScanDesk::ShowTurns() {
  const std::optional<size_t> target = running_() ? order_.Target() : std::nullopt;
  for (size_t i = 0; i < sockets_.size(); ++i) {
    ResultPanel& panel = *sockets_[i].panel;
    const bool here = target == i;
    if (sockets_.size() > 1) {
      const QString number = QString("#%1").arg(i + 1);
      const bool waits = running_() && sockets_[i].station->Running() && !here;
      const QString hereText = Tr("scan here %1").arg(number);
      panel.ShowScanTurn(here    ? hereText
                         : waits ? Tr("%1 waits").arg(number)
                                 : number,
                         here, hereText);
    }
  }
}

void ScanDesk::ShowTyped() {
  const std::optional<size_t> target = order_.Target();
  for (size_t i = 0; i < sockets_.size(); ++i) {
    QLineEdit* box = sockets_[i].panel->SerialBox();
    const QString shown = target.value_or(0) == i ? typed_ : QString();
    if (box->text() != shown) box->setText(shown);
  }
}

void ScanDesk::FocusTarget() {
  const auto target = order_.Target();
  if (!target || !running_()) return;
  QLineEdit* box = sockets_[*target].panel->SerialBox();
  if (box->isVisible() && QApplication::focusWidget() != box) box->setFocus(Qt::OtherFocusReason);
}

}  // namespace ctrlprog
