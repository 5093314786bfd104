// ctrlprog-devsim: a simulated board on a pseudo-terminal, for demonstrations and tests.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "devsim/board_device.h"
#include "devsim/raw_pty.h"

namespace {

constexpr const char* kHelp =
    "usage: ctrlprog-devsim [--link PATH] [--boards N] [--no-ack] [--ack N] [--silent]\n"
    "       ctrlprog-devsim --help | --version\n"
    "                       [--poll-stats N]\n"
    "\n"
    "Opens a pseudo-terminal and behaves as a board on it: answers a poll \"8\" with 0x55,\n"
    "takes the 26-byte frame, checks header and check byte, acknowledges with 0x55 and prints\n"
    "the frame with its decoded values. The first line printed is the terminal's path.\n"
    "\n"
    "  --link PATH     also make PATH a symbolic link to the terminal (replaced if present)\n"
    "  --boards N      program N boards, then stay quiet and exit a second later\n"
    "  --no-ack        never acknowledge a frame\n"
    "  --ack N         acknowledge the first N good frames only, then none\n"
    "  --silent        never answer a poll\n"
    "  --poll-stats N  after N intervals between polls, print their median and worst\n"
    "                  deviation from the 200 ms grid, and exit\n";

volatile std::sig_atomic_t stopSignal = 0;
void OnSignal(int signo) {
  stopSignal = signo;
}

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void Print(const std::string& line) {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  ::localtime_r(&ts.tv_sec, &local);
  std::printf("%02d:%02d:%02d.%03ld %s\n", local.tm_hour, local.tm_min, local.tm_sec,
              ts.tv_nsec / 1'000'000, line.c_str());
  std::fflush(stdout);
}

// Median interval and worst distance from a multiple of 200 ms: the host skips one poll in four
// when it closes the port, so 400 ms gaps are on the grid too.
void PrintPollStats(const std::vector<double>& times, size_t intervals) {
  std::vector<double> gaps;
  double worst = 0;
  for (size_t i = 1; i <= intervals; ++i) {
    const double ms = (times[i] - times[i - 1]) * 1000;
    gaps.push_back(ms);
    worst = std::max(worst, std::fabs(ms - 200 * std::max(1.0, std::round(ms / 200))));
  }
  std::vector<double> sorted = gaps;
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> regular;
  for (double g : gaps)
    if (g < 300) regular.push_back(g);
  std::sort(regular.begin(), regular.end());
  char buf[200];
  std::snprintf(buf, sizeof buf,
                "poll intervals: %zu, median %.1f ms (of the %zu regular ones %.1f ms), "
                "worst deviation from the 200 ms grid %.1f ms",
                intervals, sorted[sorted.size() / 2], regular.size(),
                regular.empty() ? 0.0 : regular[regular.size() / 2], worst);
  Print(buf);
}

struct Arguments {
  ctrlprog::BoardDevice::Options options;
  std::string link;
  size_t pollStats = 0;
};

// The command line; an exit code when it is all the program has to do.
std::optional<int> Parse(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--link" && hasValue) {
      args.link = argv[++i];
    } else if (a == "--boards" && hasValue) {
      args.options.boards = std::atol(argv[++i]);
    } else if (a == "--poll-stats" && hasValue) {
      args.pollStats = static_cast<size_t>(std::atol(argv[++i]));
    } else if (a == "--ack" && hasValue) {
      args.options.ackLimit = std::atol(argv[++i]);
    } else if (a == "--no-ack") {
      args.options.ack = false;
    } else if (a == "--silent") {
      args.options.answer = false;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return std::fflush(stdout) == 0 ? 0 : 74;
    } else if (a == "--version") {
      std::fputs("ctrlprog-devsim " CTRLPROG_VERSION "\n", stdout);
      return std::fflush(stdout) == 0 ? 0 : 74;
    } else {
      std::fputs(kHelp, stderr);
      return 64;
    }
  }
  return std::nullopt;
}

// The board on the terminal's master side until a signal, its boards are done, or its poll
// statistics are printed.
void Serve(int master, const Arguments& args) {
  ctrlprog::BoardDevice device(args.options);
  double doneAt = 0;
  std::vector<std::string> report;
  while (!stopSignal) {
    pollfd pfd{master, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, 100);
    const double now = Now();
    if (ready > 0 && (pfd.revents & POLLIN)) {
      unsigned char buf[256];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n > 0) {
        const auto reply = device.Receive({buf, static_cast<size_t>(n)}, now, report);
        if (!reply.empty()) [[maybe_unused]]
          auto w = ::write(master, reply.data(), reply.size());
      }
    }
    device.Tick(now, report);
    for (const auto& line : report) Print(line);
    report.clear();
    if (args.pollStats && device.PollTimes().size() > args.pollStats) {
      PrintPollStats(device.PollTimes(), args.pollStats);
      break;
    }
    if (device.Done() && doneAt == 0) doneAt = now;
    if (doneAt != 0 && now - doneAt > 1.0) break;  // let the last acknowledgement be read
  }
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (const auto exit = Parse(argc, argv, args)) return *exit;

  const std::optional<ctrlprog::RawPty> pty = ctrlprog::OpenRawPty();
  if (!pty) {
    std::perror("ctrlprog-devsim: openpty");
    return 1;
  }
  const std::string& name = pty->name;
  if (!args.link.empty() && !ctrlprog::ReplaceSymlink(name, args.link)) {
    std::perror("ctrlprog-devsim: symlink");
    return 1;
  }
  std::printf("%s\n", name.c_str());
  std::fflush(stdout);

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  Serve(pty->master, args);

  if (!args.link.empty()) {
    char target[256] = {};
    if (::readlink(args.link.c_str(), target, sizeof target - 1) > 0 &&
        std::string(target) == name) {
      ::unlink(args.link.c_str());
    }
  }
  ::close(pty->slave);
  ::close(pty->master);
  return stopSignal ? 128 + stopSignal : 0;
}
