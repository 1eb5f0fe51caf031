// thconsole: the console for temperature and humidity instruments on a serial line.
#include <cstdio>
#include <exception>

#include "console/device_watcher.h"
#include "console/main_form.h"
#include "console/reports/console_reports.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "platform/win/win.h"
#include "skin/skin_manager.h"

int main() {
  try {
    platform::win::init_display_from_environment();
    platform::win::InitControls();
    auto& app = platform::components::Application();
    app.Title = "";
    auto* form = app.CreateForm<console::Tform1>([](console::Tform1& f) {
      f.Build();
      f.SetReports(std::make_unique<console::ConsoleReports>(f.MakeReportHost()));
    });
    {
      console::DeviceWatcher watcher(form->Handle());
      app.Run();
    }
    // The skin manager ends before the forms (it puts back the procedures of the windows it skinned),
    // and the window goes while the window system is still there.
    skin::DestroySkinManager();
    platform::components::ResetApplication();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "thconsole: %s\n", e.what());
    return 1;
  }
  return 0;
}
