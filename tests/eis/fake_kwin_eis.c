/* org.kde.KWin on the session bus with KWin's EIS endpoint,
 * /org/kde/KWin/EIS/RemoteDesktop, whose connectToEIS refuses every caller:
 * what a plugin sees on a Plasma desktop whose KWin turns it away, and,
 * where libei is not installed, enough for the plugin to find KWin's
 * endpoint and say that libei is missing. Counts the calls on stdout. */
#include <gio/gio.h>
#include <stdio.h>
#include <stdlib.h>

static const char kInterfaceXml[] =
    "<node><interface name='org.kde.KWin.EIS.RemoteDesktop'>"
    "<method name='connectToEIS'>"
    "<arg type='i' name='capabilities' direction='in'/>"
    "<arg type='h' name='fd' direction='out'/>"
    "<arg type='i' name='cookie' direction='out'/>"
    "</method>"
    "<method name='disconnect'>"
    "<arg type='i' name='cookie' direction='in'/>"
    "</method>"
    "</interface></node>";

static void method_call(GDBusConnection* connection,
                        const gchar* sender,
                        const gchar* path,
                        const gchar* interface,
                        const gchar* method,
                        GVariant* parameters,
                        GDBusMethodInvocation* invocation,
                        gpointer data) {
  (void)connection, (void)sender, (void)path, (void)interface, (void)parameters,
      (void)data;
  printf("CALL %s\n", method);
  fflush(stdout);
  if (g_strcmp0(method, "connectToEIS") == 0) {
    g_dbus_method_invocation_return_dbus_error(
        invocation, "org.freedesktop.DBus.Error.AccessDenied",
        "the fake KWin refuses EIS");
  } else {
    g_dbus_method_invocation_return_value(invocation, NULL);
  }
}

static const GDBusInterfaceVTable kVtable = {method_call, NULL, NULL, {0}};

static void on_bus(GDBusConnection* connection,
                   const gchar* name,
                   gpointer data) {
  (void)name;
  GDBusNodeInfo* node = data;
  g_dbus_connection_register_object(
      connection, "/org/kde/KWin/EIS/RemoteDesktop", node->interfaces[0],
      &kVtable, NULL, NULL, NULL);
}

static void on_lost(GDBusConnection* connection,
                    const gchar* name,
                    gpointer data) {
  (void)connection, (void)name, (void)data;
  exit(1);
}

int main(void) {
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterfaceXml, NULL);
  g_bus_own_name(G_BUS_TYPE_SESSION, "org.kde.KWin",
                 G_BUS_NAME_OWNER_FLAGS_NONE, on_bus, NULL, on_lost, node,
                 NULL);
  g_main_loop_run(g_main_loop_new(NULL, FALSE));
  return 0;
}
