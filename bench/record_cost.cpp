// The cost of one production-record row: formatted, written in one append and flushed to the
// disk. Appends ROWS rows (default 1000) to a fresh file in FOLDER (default the current folder,
// so the figure is for the disk the record would live on) and prints the median and the worst.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/production_record.h"

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  const int rows = argc > 2 ? std::atoi(argv[2]) : 1000;
  const std::string path = folder + "/ctrlprog-record-cost.csv";
  ::unlink(path.c_str());
  auto opened = ctrlprog::ProductionRecord::Open(path);
  if (!std::holds_alternative<std::unique_ptr<ctrlprog::ProductionRecord>>(opened)) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return 1;
  }
  auto& record = *std::get<std::unique_ptr<ctrlprog::ProductionRecord>>(opened);
  const ctrlprog::RecordRow row{std::chrono::system_clock::now(),
                                ctrlprog::StationName(),
                                "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                                "/srv/sets/line 3, rev \"B\".asv",
                                "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 "
                                "00 00 00 00 00",
                                "PASS",
                                412,
                                {},
                                0,
                                {}};
  std::vector<double> us;
  for (int i = 0; i < rows; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (record.Append(row)) {
      std::fprintf(stderr, "row %d could not be written\n", i);
      return 1;
    }
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  ::unlink(path.c_str());
  std::sort(us.begin(), us.end());
  std::printf("record row, %d rows in %s: median %.0f us, worst %.0f us\n", rows, folder.c_str(),
              us[us.size() / 2], us.back());
  return 0;
}
