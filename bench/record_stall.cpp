// How far a slow disk pushes the console's ticks off their 200 ms grid: sixteen ports, each with
// a simulated board on a pseudo-terminal, all writing one production record whose every flush
// to the disk takes 100 ms (a file-system wrapper that sleeps). Prints how late the polling
// ticks came (median and worst), how many boards were programmed and how many rows written.
//
//   ctrlprog-record-stall [SECONDS] [SYNC_MS] [LINE_DB_URI]   (defaults: 20 s, 100 ms)
//
// With LINE_DB_URI the record starts with a backlog of 10 000 rows that a forwarder sends to
// that line database meanwhile, and the time it took is printed too.
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "cli/console_services.h"
#include "files/file_system.h"
#include "form/frm_main.h"
#include "linedb/forwarder.h"
#include "linedb_pg/pg_line_db.h"
#include "link/qt/qt_serial_port.h"
#include "model/parameter_table.h"
#include "record/record_writer.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"

namespace {

using namespace ctrlprog;
using Steady = std::chrono::steady_clock;

// A real record file whose flush takes `delay`, as on an SD card or a network folder.
class SlowSyncFile : public AppendOnlyFile {
 public:
  SlowSyncFile(std::unique_ptr<AppendOnlyFile> file, std::chrono::milliseconds delay)
      : file_(std::move(file)), delay_(delay) {}
  std::optional<FileError> WriteIfEmpty(std::string_view header) override {
    return file_->WriteIfEmpty(header);
  }
  std::optional<FileError> Append(std::string_view data) override { return file_->Append(data); }
  std::optional<FileError> Sync() override {
    std::this_thread::sleep_for(delay_);
    return file_->Sync();
  }

 private:
  std::unique_ptr<AppendOnlyFile> file_;
  std::chrono::milliseconds delay_;
};

struct Port {
  explicit Port(std::shared_ptr<TickScheduler> ticks, const std::string& path)
      : device({}, path), ui(std::move(ticks)) {}
  testing::PtyDevice device;
  ConsoleServices ui;
  QtSerialPort serial;
  frmMain form{ui, serial};
  Steady::time_point first;
  std::vector<double> lateMs;  // how far each tick fell behind its place on the grid
};

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  const int syncMs = argc > 2 ? std::atoi(argv[2]) : 100;
  constexpr int kPorts = 16;

  testing::TempDir dir;
  const std::string path = dir.Path("record.csv");
  const std::string lineDb = argc > 3 ? argv[3] : "";
  if (!lineDb.empty()) {
    std::string backlog = std::string(kRecordHeader);
    const std::string frame =
        "02 0F 22 0D 9D 04 B1 01 83 5C 3B 14 32 01 02 06 3E FF 00 00 00 00 00 00 00 00";
    for (int i = 0; i < 10'000; ++i) {
      backlog += FormatRecordRow(
          {Clock::now(), "stall-backlog", "/dev/ttyUSB0", "", frame, "PASS", 400, {}, 0, {}},
          "00000000000000000000000000000001", i + 1);
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(backlog.data(), 1, backlog.size(), f);
    std::fclose(f);
  }
  auto file = AppendOnlyFile::Open(path);
  auto record = ProductionRecord::Open(
      path,
      std::make_unique<SlowSyncFile>(std::move(std::get<std::unique_ptr<AppendOnlyFile>>(file)),
                                     std::chrono::milliseconds(syncMs)));
  RecordWriter writer(std::move(std::get<std::unique_ptr<ProductionRecord>>(record)));
  std::unique_ptr<PgLineDb> db;
  std::unique_ptr<LineForwarder> forwarder;
  Steady::time_point forwardStart, backlogDone;
  if (!lineDb.empty()) {
    forwardStart = Steady::now();
    db = std::make_unique<PgLineDb>(lineDb);
    forwarder = std::make_unique<LineForwarder>(
        LineForwarder::Options{path, PgLineDb::Identity(lineDb), 500}, *db,
        [](const std::string& news) { std::fprintf(stderr, "%s\n", news.c_str()); });
    writer.OnStored(forwarder.get());
    forwarder->Start();
  }

  const auto ticks = std::make_shared<TickScheduler>();
  std::vector<std::unique_ptr<Port>> ports;
  for (int i = 0; i < kPorts; ++i) {
    auto p = std::make_unique<Port>(ticks, dir.Path("board" + std::to_string(i)));
    Port& port = *p;
    port.form.Form_Load();
    for (int k = 0; k < kParameterCount; ++k) {
      static_cast<void>(port.ui.ComboSelect(k, ParameterTable()[size_t(k)].choices.front()));
    }
    port.form.AttachRecord(writer, "bench");
    port.ui.onTick = [&port] {
      const Steady::time_point now = Steady::now();
      if (port.first == Steady::time_point{}) port.first = now;
      // The scheduler keeps each link on its own 200 ms grid from its first tick.
      const double sinceFirst = std::chrono::duration<double, std::milli>(now - port.first).count();
      const double offGrid = sinceFirst - 200.0 * std::round(sinceFirst / 200.0);
      port.lateMs.push_back(std::abs(offGrid));
      port.form.Timer1_Timer();
    };
    port.ui.SetPortText(port.device.Path());
    ports.push_back(std::move(p));
  }
  for (auto& p : ports) p->form.cmdFileSend_Click();
  QTimer backlogWatch;
  if (forwarder) {
    QObject::connect(&backlogWatch, &QTimer::timeout, [&, seen = false]() mutable {
      seen = seen || forwarder->Waiting() > 1000;
      if (seen && backlogDone == Steady::time_point{} && forwarder->Waiting() < 100) {
        backlogDone = Steady::now();
      }
    });
    backlogWatch.start(20);
  }
  QTimer::singleShot(seconds * 1000, [&] {
    for (auto& p : ports) p->form.cmdFileSend_Click();
    QCoreApplication::quit();
  });
  QCoreApplication::exec();
  const auto failure = writer.Drain();

  std::vector<double> late;
  long programmed = 0, acknowledged = 0;
  for (const auto& p : ports) {
    late.insert(late.end(), p->lateMs.begin(), p->lateMs.end());
    programmed += p->device.Programmed();
    acknowledged += p->form.link().tally().Programmed();
  }
  std::printf(
      "%d ports, %d s, every flush %d ms: %zu ticks, off the 200 ms grid median %.2f ms, "
      "worst %.2f ms\n",
      kPorts, seconds, syncMs, late.size(), Percentile(late, 0.5), Percentile(late, 1.0));
  std::printf("boards programmed %ld (counted by the links %ld), rows written %ld%s\n", programmed,
              acknowledged, writer.RowsWritten(), failure ? (", " + *failure).c_str() : "");
  if (forwarder) {
    std::printf("a backlog of 10000 rows forwarded meanwhile in %.2f s\n",
                std::chrono::duration<double>(backlogDone - forwardStart).count());
    writer.OnStored(nullptr);
    forwarder->Stop();
  }
  return failure || writer.RowsWritten() != acknowledged ? 1 : 0;
}
