// Start-up time: from the start of the process to the moment every window
// shown at start-up (main, hue, picker, layers) is on screen, with the tone
// data, the blend table and the skin loaded. The start-up is the program's
// own (ui/main.cpp); only the measuring is added.
//
//   startup_time [runs]   starts itself `runs` times (default 11) and prints
//                         each start-up and the median, in milliseconds
//
// Each run is timed by this parent from just before it starts the child
// process to the moment the child reports its windows exposed, so loading the
// program and its libraries counts. The child also reports its steps from
// main's first line. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM
// says otherwise (for instance xcb under Xvfb).

#include <QApplication>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "core/formats/swatch_file.h"
#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/qt_messages.h"

extern char** environ;

namespace {

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

bool WindowsExposed() {
  int exposed = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible()) continue;
    if (w->windowHandle() == nullptr || !w->windowHandle()->isExposed()) return false;
    ++exposed;
  }
  return exposed >= 4;
}

// One start-up, as ui/main.cpp does it; prints absolute times on stdout.
int Child(int argc, char** argv) {
  const double start = NowMs();
  tintloom::TApplication app(argc, argv);
  QApplication::setApplicationName("Tintloom");
  QApplication::setDesktopFileName("org.tintloom.Tintloom");
  tintloom::TQtMessages messages;
  app.SetMessages(&messages);
  const double application = NowMs();
  tintloom::TMainForm mainForm(messages, TINTLOOM_APP_DIR);
  const double main_window = NowMs();
  mainForm.swatchFilePlaces =
      tintloom::LocateSwatchFile(TINTLOOM_APP_DIR, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());
  mainForm.CreateToolWindows();
  mainForm.show();
  const double created = NowMs();
  while (!WindowsExposed()) QApplication::processEvents(QEventLoop::AllEvents, 5);
  const double shown = NowMs();
  std::printf("%.3f %.3f %.3f %.3f %.3f\n", start, application, main_window, created, shown);
  std::fflush(stdout);
  // Leave without the swatch file being written back: only the start counts.
  std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) return Child(argc, argv);
  const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 11;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::vector<double> totals;
  std::printf("%8s %8s %8s %8s %8s %8s  (ms)\n", "total", "to main", "app", "main win", "tools", "exposed");
  for (int i = 0; i < runs; ++i) {
    int out[2];
    if (pipe(out) != 0) return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    // The platform's own remarks (no raise() offscreen, no runtime folder)
    // would drown the figures.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char child_flag[] = "--child";
    char* child_argv[] = {argv[0], child_flag, nullptr};
    const double before = NowMs();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, child_argv, environ) != 0) return 1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char line[256] = {};
    std::FILE* from_child = fdopen(out[0], "r");
    const bool got = std::fgets(line, sizeof line, from_child) != nullptr;
    std::fclose(from_child);
    int status = 0;
    waitpid(pid, &status, 0);
    double t[5] = {};
    if (!got || std::sscanf(line, "%lf %lf %lf %lf %lf", &t[0], &t[1], &t[2], &t[3], &t[4]) != 5) {
      std::fprintf(stderr, "run %d: no report from the child\n", i);
      return 1;
    }
    totals.push_back(t[4] - before);
    std::printf("%8.1f %8.1f %8.1f %8.1f %8.1f %8.1f\n", t[4] - before, t[0] - before, t[1] - t[0], t[2] - t[1],
                t[3] - t[2], t[4] - t[3]);
  }
  std::sort(totals.begin(), totals.end());
  std::printf("median start-up to windows shown: %.1f ms (goal <= 300 ms)\n", totals[totals.size() / 2]);
  return 0;
}
