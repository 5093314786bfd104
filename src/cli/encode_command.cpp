#include "cli/encode_command.h"

#include <cstdio>
#include <variant>

#include "cli/console_services.h"
#include "model/frame_encoder.h"
#include "model/hex.h"
#include "ui/form/frm_main.h"

namespace ctrlprog {

int RunEncode(const std::string& path) {
  ConsoleServices ui;
  frmMain form(ui);
  form.Form_Load();
  if (!form.LoadParameterFile(path)) return kExitBadInput;
  if (ReadListsIntoSet(ui, form.strParam())) {
    ui.MessageBox(kIncompleteMessage);
    return kExitBadInput;
  }
  const EncodeResult r = EncodeFrame(form.strParam());
  if (const auto* overflow = std::get_if<FrameOverflow>(&r)) {
    ui.MessageBox("Byte " + std::to_string(overflow->byteIndex) + " of the frame overflows.");
    return kExitBadInput;
  }
  std::printf("%s\n", ToHex(std::get<ParameterFrame>(r)).c_str());
  return kExitOk;
}

}  // namespace ctrlprog
