/* A native Wayland GTK window on each monitor, fullscreen there, printing on
 * stdout every key, button and scroll event it receives, with the
 * compositor's event times and the modifiers in effect, so a test can
 * compare what arrived with what was sent. The GNOME and the wlroots tests
 * both use it. */
#include <gdk/gdkwayland.h>
#include <gtk/gtk.h>
#include <stdio.h>

static void print_key(GdkEventKey* event, int window) {
  gunichar character = gdk_keyval_to_unicode(event->keyval);
  char text[8] = {0};
  if (character >= 0x20) {
    g_unichar_to_utf8(character, text);
  }
  printf("KEY %s window=%d name=%s char='%s' time=%u mods=%s%s%s%s code=%u\n",
         event->type == GDK_KEY_PRESS ? "press" : "release", window,
         gdk_keyval_name(event->keyval), text, event->time,
         event->state & GDK_SHIFT_MASK ? "S" : "",
         event->state & GDK_CONTROL_MASK ? "C" : "",
         event->state & GDK_MOD1_MASK ? "A" : "",
         event->state & GDK_MOD4_MASK ? "W" : "", event->hardware_keycode);
}

static gboolean on_key(GtkWidget* widget, GdkEventKey* event, gpointer data) {
  (void)widget;
  print_key(event, GPOINTER_TO_INT(data));
  fflush(stdout);
  return TRUE;
}

static gboolean on_button(GtkWidget* widget,
                          GdkEventButton* event,
                          gpointer data) {
  (void)widget;
  const char* kind = event->type == GDK_BUTTON_PRESS     ? "press"
                     : event->type == GDK_BUTTON_RELEASE ? "release"
                                                         : "other";
  printf("BUTTON %s window=%d button=%u x=%.0f y=%.0f\n", kind,
         GPOINTER_TO_INT(data), event->button, event->x, event->y);
  fflush(stdout);
  return TRUE;
}

static gboolean on_scroll(GtkWidget* widget,
                          GdkEventScroll* event,
                          gpointer data) {
  (void)widget;
  printf("SCROLL window=%d direction=%s\n", GPOINTER_TO_INT(data),
         event->direction == GDK_SCROLL_UP     ? "up"
         : event->direction == GDK_SCROLL_DOWN ? "down"
                                               : "other");
  fflush(stdout);
  return TRUE;
}

static gboolean on_state(GtkWidget* widget,
                         GdkEventWindowState* event,
                         gpointer data) {
  (void)widget;
  if (event->changed_mask & GDK_WINDOW_STATE_FULLSCREEN &&
      event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN) {
    int index = GPOINTER_TO_INT(data);
    GdkMonitor* monitor =
        gdk_display_get_monitor(gdk_display_get_default(), index);
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    printf("FULLSCREEN window=%d monitor=%d,%d,%d,%d wayland=%d\n", index,
           area.x, area.y, area.width, area.height,
           GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default()));
    fflush(stdout);
  }
  return FALSE;
}

/* Says READY once, on the second frame drawn fullscreen at the monitor's
 * size: the fullscreen state comes with the configure, before the window has
 * a buffer of that size on screen, and a click sent earlier lands elsewhere
 * or nowhere. GTK draws the second frame only once the compositor has
 * called back for the first, that is, shown it: until then KWin routes no
 * pointer input to the window. */
static gboolean on_draw(GtkWidget* widget, cairo_t* cr, gpointer data) {
  (void)cr;
  int index = GPOINTER_TO_INT(data);
  GdkWindow* window = gtk_widget_get_window(widget);
  GdkRectangle area;
  gdk_monitor_get_geometry(
      gdk_display_get_monitor(gdk_display_get_default(), index), &area);
  int frames = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "frames"));
  if (frames < 2 &&
      gdk_window_get_state(window) & GDK_WINDOW_STATE_FULLSCREEN &&
      gtk_widget_get_allocated_width(widget) == area.width &&
      gtk_widget_get_allocated_height(widget) == area.height) {
    g_object_set_data(G_OBJECT(widget), "frames", GINT_TO_POINTER(++frames));
    if (frames == 1) {
      gtk_widget_queue_draw(widget);
    } else {
      printf("READY window=%d\n", index);
      fflush(stdout);
    }
  }
  return FALSE;
}

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GdkDisplay* display = gdk_display_get_default();
  int monitors = gdk_display_get_n_monitors(display);
  for (int i = 0; i < monitors; i++) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gpointer index = GINT_TO_POINTER(i);
    gtk_widget_add_events(window, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                                      GDK_BUTTON_PRESS_MASK |
                                      GDK_BUTTON_RELEASE_MASK |
                                      GDK_SCROLL_MASK);
    g_signal_connect(window, "key-press-event", G_CALLBACK(on_key), index);
    g_signal_connect(window, "key-release-event", G_CALLBACK(on_key), index);
    g_signal_connect(window, "button-press-event", G_CALLBACK(on_button),
                     index);
    g_signal_connect(window, "button-release-event", G_CALLBACK(on_button),
                     index);
    g_signal_connect(window, "scroll-event", G_CALLBACK(on_scroll), index);
    g_signal_connect(window, "window-state-event", G_CALLBACK(on_state), index);
    g_signal_connect(window, "draw", G_CALLBACK(on_draw), index);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_window_fullscreen_on_monitor(
        GTK_WINDOW(window), gdk_display_get_default_screen(display), i);
    gtk_widget_show_all(window);
  }
  gtk_main();
  return 0;
}
