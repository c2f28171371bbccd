// The runner of the app-shaped build: it registers the plugin as the
// generated registrant does, which is enough for the linker to need the
// plugin library's exported registration function.

#include <quorvel_remote_desktop_events_linux/quorvel_remote_desktop_events_plugin.h>

int main(int argc, char** /*argv*/) {
  // Never called: registering needs a running engine.
  if (argc < 0) {
    quorvel_remote_desktop_events_plugin_register_with_registrar(nullptr);
  }
  return 0;
}
