// ctrlprog: the window.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "files/file_system.h"
#include "files/production_record.h"
#include "link/qt/qt_serial_port.h"
#include "ui/form/frm_main.h"
#include "ui/form/station_sinks.h"
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

  ctrlprog::SinkOptions sinkOptions{std::nullopt, ctrlprog::StationName()};
  if (parser.isSet(record)) sinkOptions.recordPath = parser.value(record).toStdString();
  auto opened = ctrlprog::StationSinks::Open(std::move(sinkOptions));
  if (const auto* message = std::get_if<std::string>(&opened)) {
    std::fprintf(stderr, "ctrlprog: %s\n", message->c_str());
    QMessageBox::critical(nullptr, ctrlprog::MainWindow::kTitle, QString::fromStdString(*message));
    return 2;
  }
  const auto sinks = std::move(std::get<std::unique_ptr<ctrlprog::StationSinks>>(opened));

  ctrlprog::QtSerialPort serial;
  int status = 0;
  {
    ctrlprog::MainWindow window(serial);
    sinks->Wire(window.form());
    if (parser.isSet(port)) window.SetPortText(parser.value(port).toStdString());
    window.show();
    if (parser.isSet(load)) window.form().LoadParameterFile(parser.value(load).toStdString());
    status = QApplication::exec();
  }
  // The window stopped any transfer as it closed; what it recorded last is stored before the
  // program ends.
  if (const auto failure = sinks->Finish()) {
    std::fprintf(stderr, "ctrlprog: %s\n", failure->c_str());
    return 74;
  }
  return status;
}
