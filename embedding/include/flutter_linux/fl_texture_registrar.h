#ifndef FLUTTER_LINUX_FL_TEXTURE_REGISTRAR_H_
#define FLUTTER_LINUX_FL_TEXTURE_REGISTRAR_H_

#if !defined(__FLUTTER_LINUX_INSIDE__) && !defined(FLUTTER_LINUX_COMPILATION)
#error "Only <flutter_linux/flutter_linux.h> can be included directly."
#endif

#include <glib.h>

G_BEGIN_DECLS

// Opaque here: the stand-in registers no textures.
typedef struct _FlTextureRegistrar FlTextureRegistrar;

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_TEXTURE_REGISTRAR_H_
