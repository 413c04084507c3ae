#include "shell/ShellProcess.h"

#include <cstdio>

#include "platform/Log.h"
#include "platform/Text.h"

namespace trv {

int RunShellProcess(Platform& platform, const DiscPaths& disc, const StartArguments& start,
                    const std::function<void(TMainForm&)>& beforeLoop) {
  TMainForm form(platform, disc);
  StartStop stop;
  bool started = false;
  try {
    started = form.FormCreate(start, &stop);
  } catch (const std::exception& e) {
    stop = {std::string("start-up stopped on an unexpected error: ") + e.what(), true,
            "при запуске произошла непредвиденная ошибка."};
  }
  if (!started) {
    Log("startup", stop.reason);
    std::fprintf(stderr, "trivion: %s\n", stop.reason.c_str());
    platform.Tracer().Emit("startup").Utf8("stopped", stop.reason);
    if (stop.tellPlayer) {
      platform.ShowMessageBox(form.Title().empty() ? std::string("trivion") : form.Title(),
                              Utf8ToCp1251("Программа не может начать работу: " + stop.playerText +
                                           "\nПодробности записаны в журнал программы (trivion.log)."));
    }
    return stop.exitCode;
  }
  // The game dialog, when the disc has one; only the shell plays.
  form.CreateGameDialog();
  if (beforeLoop) beforeLoop(form);
  // Exceptions that escape an event handler are dropped with a log line; the
  // program goes on.
  for (;;) {
    try {
      return platform.Loop().Run();
    } catch (const std::exception& e) {
      Log("error", std::string("dropped: ") + e.what());
    } catch (...) {
      Log("error", "dropped an unknown exception");
    }
  }
}

}  // namespace trv
