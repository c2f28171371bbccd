#ifndef FLUTTER_LINUX_FL_VIEW_H_
#define FLUTTER_LINUX_FL_VIEW_H_

#if !defined(__FLUTTER_LINUX_INSIDE__) && !defined(FLUTTER_LINUX_COMPILATION)
#error "Only <flutter_linux/flutter_linux.h> can be included directly."
#endif

#include <glib.h>

G_BEGIN_DECLS

// Opaque here: the stand-in has no GTK widget, so a registrar has no view.
typedef struct _FlView FlView;

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_VIEW_H_
