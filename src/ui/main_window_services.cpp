// The window services, done on the window's widgets.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>

#include "ui/fixture_view.h"
#include "ui/main_window.h"
#include "ui/port_combo_box.h"
#include "ui/qt_text.h"

namespace ctrlprog {

namespace {

// While boards are scanned, a scanner's line must not close a box the operator has not read
// (its Enter would press OK): keys for the box are dropped then, but Escape, and a click, close it.
class ScannerKeysAway : public QObject {
 public:
  explicit ScannerKeysAway(const QWidget& box) : box_(box) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::ShortcutOverride) {
      return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || (widget != &box_ && !box_.isAncestorOf(widget))) return false;
    return static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape;
  }

 private:
  const QWidget& box_;
};

}  // namespace

void MainWindow::MessageBox(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, DialogTitle(), ToQString(text), QMessageBox::Ok, this);
  box.setEscapeButton(QMessageBox::Ok);
  ScannerKeysAway keysAway(box);
  if (scanning_) qApp->installEventFilter(&keysAway);
  box.exec();  // the nested loop keeps the timer and the port running
  if (scanning_) qApp->removeEventFilter(&keysAway);
}

std::string MainWindow::ComboText(int index) {
  if (index < 0 || index >= static_cast<int>(combo1_.size())) return {};
  QComboBox* c = combo1_[static_cast<size_t>(index)];
  return c->currentIndex() < 0 ? std::string() : ToStdString(c->currentText());
}

bool MainWindow::ComboSelect(int index, std::string_view text) {
  if (index < 0 || index >= static_cast<int>(combo1_.size())) return false;
  QComboBox* c = combo1_[static_cast<size_t>(index)];
  const int found = c->findText(ToQString(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (found < 0) return false;
  c->setCurrentIndex(found);
  return true;
}

std::string MainWindow::PortText() {
  return ToStdString(cboComPort_->currentText());
}

void MainWindow::SetPortText(std::string_view text) {
  cboComPort_->setEditText(ToQString(text));
  ShowPortEnd();
}

QWidget* MainWindow::WidgetFor(Control control) {
  switch (control) {
    case Control::Frame10:
      return frame10_;
    case Control::cboComPort:
      return cboComPort_;
    case Control::cmdFileSend:
      return cmdFileSend_;
    case Control::cmdShow:
      return cmdShow_;
    case Control::Label1_0:
      return label1_0_;
    case Control::txtLoadDir:
      return txtLoadDir_;
    case Control::txtSaveDir:
      return txtSaveDir_;
    default:
      return nullptr;
  }
}

void MainWindow::SetCaption(Control control, std::string_view caption) {
  if (auto* button = qobject_cast<QPushButton*>(WidgetFor(control)))
    button->setText(ToQString(caption));
}

void MainWindow::SetEnabled(Control control, bool enabled) {
  // A locked station keeps its set and its ports: the lists, the port box, the file commands
  // and conceal stay off.
  if (!locked_.isEmpty() && (control == Control::Frame10 || control == Control::cboComPort ||
                             control == Control::mnuOpenFile || control == Control::mnuStoreFile ||
                             control == Control::cmdShow)) {
    enabled = false;
  }
  // A fixture's port box stays off: each tile has its port.
  if (control == Control::cboComPort && fixture_) enabled = false;
  // While a scanning station runs, a scanner's line must never become a dialog's file name.
  if (scanning_ && Running() &&
      (control == Control::mnuOpenFile || control == Control::mnuStoreFile)) {
    enabled = false;
  }
  if (control == Control::mnuOpenFile) return openFile_->setEnabled(enabled);
  if (control == Control::mnuStoreFile) return storeFile_->setEnabled(enabled);
  if (QWidget* w = WidgetFor(control)) w->setEnabled(enabled);
}

bool MainWindow::IsEnabled(Control control) {
  if (control == Control::mnuOpenFile) return openFile_->isEnabled();
  if (control == Control::mnuStoreFile) return storeFile_->isEnabled();
  QWidget* w = WidgetFor(control);
  return w && w->isEnabled();
}

void MainWindow::SetTimerEnabled(bool enabled) {
  if (enabled) {
    timer1_->start();  // a fresh interval
  } else {
    timer1_->stop();
  }
}

void MainWindow::SetProgressRange(int minimum, int maximum) {
  prgFileTransfer_->setRange(minimum, maximum);
}

void MainWindow::SetProgressValue(int value) {
  prgFileTransfer_->setValue(value);
}

void MainWindow::SetText(Control textBox, std::string_view text) {
  if (auto* edit = qobject_cast<QLineEdit*>(WidgetFor(textBox))) edit->setText(ToQString(text));
}

// Each log line is a block of the document; its break counts as one character, as "\r" does.
void MainWindow::SetLogText(std::string_view text) {
  rtfReceive_->setPlainText(ToQString(text).replace('\r', '\n'));
}

void MainWindow::AppendLog(std::string_view text, std::optional<Rgb> colour) {
  QTextDocument* doc = rtfReceive_->document();
  const QString added = ToQString(text);
  QTextCursor cursor(doc);
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat format;
  if (colour) format.setForeground(QColor(colour->red, colour->green, colour->blue));
  const QStringList lines = QString(added).replace('\r', '\n').split('\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0) cursor.insertBlock(QTextBlockFormat(), format);
    cursor.insertText(lines[i], format);
  }
  rtfReceive_->setTextCursor(QTextCursor(doc->lastBlock()));
  rtfReceive_->ensureCursorVisible();
}

void MainWindow::SetFileFilter(std::string_view filter) {
  // "description|pattern" pairs, as the form gives them, in Qt's "description (pattern)" form.
  const QStringList parts = ToQString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    filters << parts[i].trimmed() + " (" + parts[i + 1].trimmed() + ")";
  }
  fileFilter_ = filters.join(";;");
}

DialogResult MainWindow::ShowOpen() {
  return ShowFileDialog(false);
}
DialogResult MainWindow::ShowSave() {
  return ShowFileDialog(true);
}

DialogResult MainWindow::ShowFileDialog(bool save) {
  QFileDialog dialog(this, DialogTitle(), lastFolder_, fileFilter_);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !dialogFlags_.overwritePrompt);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString path = dialog.selectedFiles().first();
  lastFolder_ = QFileInfo(path).absolutePath();  // the next dialog opens where this one ended
  return {false, ToStdString(path)};
}

void MainWindow::SetWindowWidth(int twips) {
  // Never narrower than what shows the badge and the counts: concealed, the left panel's width;
  // shown, the design's, so the panel's right border is never cut off.
  const bool panelShown = twips >= kDesignWidth - 200;
  setMinimumWidth(twips_.ToPixels(panelShown ? kDesignWidth : twips));
  resize(twips_.ToPixels(twips), height());
  Relayout();
}

void MainWindow::SetWindowHeight(int twips) {
  resize(width(), twips_.ToPixels(twips));
}

}  // namespace ctrlprog
