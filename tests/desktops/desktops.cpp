// SPDX-License-Identifier: MIT
// Starting and stopping the display servers of the desktop tests, and what
// the tests ask of them.
#include "desktops.h"

#include "platform/windows.h"
#include "setup/setup_dialog.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace showkit;

namespace desktops {

namespace {

const char kSwayConfig[] = "output HEADLESS-1 resolution 1024x768 position 0 0\n"
                           "xwayland disable\n"
                           "default_border none\n"
                           "default_floating_border none\n";

// The desktop mode first: Xorg starts in the first mode of the Modes line.
const char kXorgConfig[] = "Section \"ServerFlags\"\n"
                           "  Option \"AutoAddDevices\" \"false\"\n"
                           "  Option \"AutoEnableDevices\" \"false\"\n"
                           "EndSection\n"
                           "Section \"Device\"\n"
                           "  Identifier \"dummy\"\n"
                           "  Driver \"dummy\"\n"
                           "  VideoRam 16384\n"
                           "EndSection\n"
                           "Section \"Monitor\"\n"
                           "  Identifier \"monitor\"\n"
                           "  HorizSync 5.0-1000.0\n"
                           "  VertRefresh 5.0-200.0\n"
                           "  Modeline \"1024x768\" 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync\n"
                           "  Modeline \"800x600\" 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync\n"
                           "  Modeline \"640x480\" 25.175 640 656 752 800 480 490 492 525 -hsync -vsync\n"
                           "EndSection\n"
                           "Section \"Screen\"\n"
                           "  Identifier \"screen\"\n"
                           "  Device \"dummy\"\n"
                           "  Monitor \"monitor\"\n"
                           "  DefaultDepth 24\n"
                           "  SubSection \"Display\"\n"
                           "    Depth 24\n"
                           "    Modes \"1024x768\" \"800x600\" \"640x480\"\n"
                           "    Virtual 1024 768\n"
                           "  EndSubSection\n"
                           "EndSection\n";

bool WriteText(const std::string &path, const std::string &text) {
  std::ofstream out(path);
  out << text;
  return bool(out);
}

// Waits up to `seconds` for `ready` while `child` runs.
template <class Ready> bool WaitReady(Child &child, double seconds, Ready ready) {
  for (const double deadline = Now() + seconds; Now() < deadline;) {
    if (ready())
      return true;
    if (!child.Running())
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::string FirstLine(const std::string &text) {
  return text.substr(0, text.find('\n'));
}

void Stop(std::unique_ptr<Child> &child) {
  if (child == nullptr)
    return;
  child->Kill(SIGTERM);
  if (!child->Wait(10))
    child->Kill(SIGKILL);
  child->Wait(10);
  child.reset();
}

} // namespace

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---- sway -------------------------------------------------------------------

Sway::Sway(const std::string &folder) : folder(folder), runtime(folder + "/run") {
  if (access("/usr/bin/sway", X_OK) != 0) {
    why = "sway is not installed";
    return;
  }
  const bool root = geteuid() == 0;
  const std::string config = runtime + "/config";
  if (chmod(folder.c_str(), 0711) != 0 || mkdir(runtime.c_str(), 0700) != 0 || !WriteText(config, kSwayConfig) ||
      chmod(config.c_str(), 0644) != 0 || (root && chown(runtime.c_str(), 65534, 65534) != 0)) {
    why = "cannot prepare the compositor's runtime folder " + runtime;
    return;
  }
  RunOptions options;
  options.setEnv = {"XDG_RUNTIME_DIR=" + runtime, "HOME=" + runtime, "WLR_BACKENDS=headless",
                    "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"};
  options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "I3SOCK"};
  std::vector<std::string> argv = {"/usr/bin/sway", "-c", config};
  if (root)
    argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  server.reset(new Child(argv, options));
  const bool ready = WaitReady(*server, 20, [&] {
    for (const std::string &name : ListDir(runtime)) {
      if (name.compare(0, 8, "wayland-") == 0 && name.find(".lock") == std::string::npos)
        socket = name;
      if (name.compare(0, 9, "sway-ipc.") == 0)
        ipc = runtime + "/" + name;
    }
    return !socket.empty() && !ipc.empty();
  });
  if (!ready) {
    socket.clear();
    why = "sway did not start: " + server->Err();
  }
}

Sway::~Sway() {
  Stop(server);
}

std::vector<std::string> Sway::ClientEnv() const {
  return {"XDG_RUNTIME_DIR=" + runtime, "WAYLAND_DISPLAY=" + socket, "SWAYSOCK=" + ipc};
}

bool Sway::Screenshot(Picture *picture) {
  RunOptions options;
  options.setEnv = ClientEnv();
  const std::string path = folder + "/screenshot.png";
  return RunProgram({"/usr/bin/grim", path}, options).status == 0 && ReadPng(path, picture);
}

bool Sway::Keys(const std::vector<std::string> &keys) {
  std::vector<std::string> argv = {"/usr/bin/wtype", "-s", "1500"};
  for (const std::string &key : keys) {
    if (&key != &keys.front())
      argv.insert(argv.end(), {"-s", "150"});
    argv.insert(argv.end(), {"-k", key});
  }
  RunOptions options;
  options.setEnv = ClientEnv();
  return RunProgram(argv, options).status == 0;
}

std::string Sway::Message(const std::vector<std::string> &args) {
  std::vector<std::string> argv = {"/usr/bin/swaymsg"};
  argv.insert(argv.end(), args.begin(), args.end());
  RunOptions options;
  options.setEnv = ClientEnv();
  return RunProgram(argv, options).out;
}

std::string Sway::OutputMode() {
  const std::string outputs = Message({"-r", "-t", "get_outputs"});
  const size_t mode = outputs.find("\"current_mode\"");
  if (mode == std::string::npos)
    return "";
  const auto number = [&](const char *key) {
    const size_t at = outputs.find(key, mode);
    return at == std::string::npos ? -1 : std::atoi(outputs.c_str() + outputs.find(':', at) + 1);
  };
  return std::to_string(number("\"width\"")) + "x" + std::to_string(number("\"height\""));
}

// ---- Xorg -------------------------------------------------------------------

Xorg::Xorg(const std::string &folder, bool windowManager) : folder(folder) {
  if (access("/usr/bin/Xorg", X_OK) != 0 || access("/usr/lib/xorg/modules/drivers/dummy_drv.so", R_OK) != 0) {
    why = "Xorg or its dummy driver is not installed";
    return;
  }
  const std::string config = folder + "/xorg.conf", configDir = folder + "/xorg.conf.d";
  if (!WriteText(config, kXorgConfig) || mkdir(configDir.c_str(), 0700) != 0) {
    why = "cannot write " + config;
    return;
  }
  // A free display number, away from the low ones Xvfb takes.
  for (int number = 100 + getpid() % 400, tries = 0; display.empty() && tries < 8; ++number, ++tries) {
    const std::string name = ":" + std::to_string(number);
    if (access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0)
      continue;
    server.reset(new Child({"/usr/bin/Xorg", name, "-config", config, "-configdir", configDir, "-noreset", "-nolisten",
                            "tcp", "-novtswitch", "-sharevts", "-logfile", folder + "/Xorg.log"},
                           RunOptions()));
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    if (WaitReady(*server, 30, [&] { return access(socket.c_str(), F_OK) == 0; })) {
      display = name;
      break;
    }
    why = "Xorg did not start: " + FirstLine(server->Err());
    Stop(server);
    if (geteuid() != 0)
      return; // only console users may start it: no other number will do
  }
  if (display.empty() || !windowManager)
    return;
  RunOptions options;
  options.setEnv = {"DISPLAY=" + display, "HOME=" + folder, "XDG_CONFIG_HOME=" + folder, "XDG_CACHE_HOME=" + folder,
                    "XDG_DATA_HOME=" + folder};
  manager.reset(new Child({"/usr/bin/openbox"}, options));
  RunOptions probe;
  probe.setEnv = {"DISPLAY=" + display};
  if (!WaitReady(*manager, 20, [&] {
        return RunProgram({"/usr/bin/xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, probe).out.find("window id") !=
               std::string::npos;
      })) {
    why = "openbox did not start: " + manager->Err();
    Stop(manager);
    Stop(server);
    display.clear();
  }
}

Xorg::~Xorg() {
  Stop(manager);
  Stop(server);
}

std::string Xorg::CurrentMode() {
  RunOptions options;
  options.setEnv = {"DISPLAY=" + display};
  const std::string out = RunProgram({"/usr/bin/xrandr", "--current"}, options).out;
  // The active mode's line: "   640x480      59.94*"
  for (size_t at = 0; at < out.size();) {
    const size_t end = out.find('\n', at);
    const std::string line = out.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (!line.empty() && line[0] == ' ' && line.find('*') != std::string::npos) {
      const size_t first = line.find_first_not_of(' ');
      return line.substr(first, line.find(' ', first) - first);
    }
    at = end == std::string::npos ? out.size() : end + 1;
  }
  return "";
}

// ---- the dialog's list ------------------------------------------------------

int DialogModeIndex(int width, int height, const std::vector<std::string> &env, const std::vector<std::string> &unset) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    for (const std::string &name : unset)
      unsetenv(name.c_str());
    for (const std::string &pair : env)
      setenv(pair.substr(0, pair.find('=')).c_str(), pair.substr(pair.find('=') + 1).c_str(), 1);
    std::vector<DEVMODEA> modes;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    for (DWORD number = 0; EnumDisplaySettingsA(nullptr, number, &mode); ++number)
      modes.push_back(mode);
    FilterModes(modes, 32);
    for (size_t i = 0; i < modes.size() && i < 200; ++i)
      if (int(modes[i].dmPelsWidth) == width && int(modes[i].dmPelsHeight) == height)
        _exit(int(i) + 1);
    _exit(0);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status) - 1;
}

} // namespace desktops
