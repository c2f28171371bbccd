/* org.freedesktop.locale1 on the bus DBUS_SYSTEM_BUS_ADDRESS names, stating
 * the keyboard layout given on the command line: standalone mutter builds
 * its keymap from these properties.
 * Usage: fake_locale1 LAYOUT VARIANT OPTIONS */
#include <gio/gio.h>
#include <stdio.h>

static const char kInterfaceXml[] =
    "<node><interface name='org.freedesktop.locale1'>"
    "<property name='X11Layout' type='s' access='read'/>"
    "<property name='X11Variant' type='s' access='read'/>"
    "<property name='X11Options' type='s' access='read'/>"
    "<property name='X11Model' type='s' access='read'/>"
    "</interface></node>";

static char** values;

static GVariant* get_property(GDBusConnection* connection,
                              const gchar* sender,
                              const gchar* path,
                              const gchar* interface,
                              const gchar* name,
                              GError** error,
                              gpointer data) {
  (void)connection, (void)sender, (void)path, (void)interface, (void)error,
      (void)data;
  if (g_strcmp0(name, "X11Layout") == 0)
    return g_variant_new_string(values[0]);
  if (g_strcmp0(name, "X11Variant") == 0)
    return g_variant_new_string(values[1]);
  if (g_strcmp0(name, "X11Options") == 0)
    return g_variant_new_string(values[2]);
  return g_variant_new_string("pc105");
}

static const GDBusInterfaceVTable kVtable = {NULL, get_property, NULL, {0}};

static void on_bus(GDBusConnection* connection,
                   const gchar* name,
                   gpointer data) {
  (void)name;
  GDBusNodeInfo* node = data;
  g_dbus_connection_register_object(connection, "/org/freedesktop/locale1",
                                    node->interfaces[0], &kVtable, NULL, NULL,
                                    NULL);
}

static void on_name(GDBusConnection* connection,
                    const gchar* name,
                    gpointer data) {
  (void)connection, (void)name, (void)data;
  printf("ready\n");
  fflush(stdout);
}

static void on_lost(GDBusConnection* connection,
                    const gchar* name,
                    gpointer data) {
  (void)connection, (void)name, (void)data;
  exit(1);
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: fake_locale1 LAYOUT VARIANT OPTIONS\n");
    return 2;
  }
  values = argv + 1;
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterfaceXml, NULL);
  g_bus_own_name(G_BUS_TYPE_SYSTEM, "org.freedesktop.locale1",
                 G_BUS_NAME_OWNER_FLAGS_NONE, on_bus, on_name, on_lost, node,
                 NULL);
  g_main_loop_run(g_main_loop_new(NULL, FALSE));
  return 0;
}
