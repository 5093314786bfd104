// ctrlprog: the window.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "files/file_system.h"
#include "link/qt/qt_serial_port.h"
#include "ui/form/frm_main.h"
#include "ui/window/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("ctrlprog");

  QCommandLineParser parser;
  parser.setApplicationDescription("Programs the parameters of a motor-controller board.");
  parser.addHelpOption();
  const QCommandLineOption port("port", "Put TEXT in the port box instead of \"1\".", "TEXT");
  const QCommandLineOption load("load", "Load the parameter file FILE at start-up.", "FILE");
  const QCommandLineOption record(
      "record",
      "Append a row for every board programmed or failed, and every lost or restored "
      "line, to the CSV file FILE.",
      "FILE");
  parser.addOption(port);
  parser.addOption(load);
  parser.addOption(record);
  parser.process(app);

  // A record that reaches a size limit reports a write error instead of ending the program.
  ctrlprog::KeepRunningAtFileSizeLimit();
  std::unique_ptr<ctrlprog::ProductionRecord> productionRecord;
  if (parser.isSet(record)) {
    const std::string path = parser.value(record).toStdString();
    auto opened = ctrlprog::ProductionRecord::Open(path);
    if (const auto* error = std::get_if<ctrlprog::FileError>(&opened)) {
      const std::string message = ctrlprog::RecordOpenFailureMessage(path, *error);
      std::fprintf(stderr, "ctrlprog: %s\n", message.c_str());
      QMessageBox::critical(nullptr, ctrlprog::MainWindow::kTitle, QString::fromStdString(message));
      return 2;
    }
    productionRecord = std::move(std::get<std::unique_ptr<ctrlprog::ProductionRecord>>(opened));
  }

  ctrlprog::QtSerialPort serial;
  ctrlprog::MainWindow window(serial);
  if (productionRecord) window.form().AttachRecord(*productionRecord);
  if (parser.isSet(port)) window.SetPortText(parser.value(port).toStdString());
  window.show();
  if (parser.isSet(load)) window.form().LoadParameterFile(parser.value(load).toStdString());
  return QApplication::exec();
}
