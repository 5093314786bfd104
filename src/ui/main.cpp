// ctrlprog: the window.
#include <QApplication>
#include <QCommandLineParser>

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
  parser.addOption(port);
  parser.addOption(load);
  parser.process(app);

  ctrlprog::QtSerialPort serial;
  ctrlprog::MainWindow window(serial);
  if (parser.isSet(port)) window.SetPortText(parser.value(port).toStdString());
  window.show();
  if (parser.isSet(load)) window.form().LoadParameterFile(parser.value(load).toStdString());
  return QApplication::exec();
}
