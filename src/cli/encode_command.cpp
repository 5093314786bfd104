#include "cli/encode_command.h"

#include <cstdio>
#include <variant>

#include "cli/console_services.h"
#include "form/frm_main.h"
#include "form/parameter_lists.h"
#include "link/qt/qt_serial_port.h"
#include "model/frame_encoder.h"
#include "model/hex.h"

namespace ctrlprog {

bool LoadCompleteSet(frmMain& form, WindowServices& ui, const std::string& path) {
  if (!form.LoadParameterFile(path)) return false;
  if (ReadListsIntoSet(ui, form.strParam())) {
    ui.MessageBox(kIncompleteMessage);
    return false;
  }
  return true;
}

int RunEncode(const std::string& path) {
  ConsoleServices ui;
  QtSerialPort port;
  frmMain form(ui, port);
  form.Form_Load();
  if (!LoadCompleteSet(form, ui, path)) return kExitBadInput;
  const EncodeResult r = EncodeFrame(form.strParam());
  if (const auto* overflow = std::get_if<FrameOverflow>(&r)) {
    ui.MessageBox("Byte " + std::to_string(overflow->byteIndex) + " of the frame is out of range.");
    return kExitBadInput;
  }
  std::printf("%s\n", ToHex(std::get<ParameterFrame>(r)).c_str());
  return kExitOk;
}

}  // namespace ctrlprog
