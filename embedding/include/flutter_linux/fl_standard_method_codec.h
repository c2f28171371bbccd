#ifndef FLUTTER_LINUX_FL_STANDARD_METHOD_CODEC_H_
#define FLUTTER_LINUX_FL_STANDARD_METHOD_CODEC_H_

#if !defined(__FLUTTER_LINUX_INSIDE__) && !defined(FLUTTER_LINUX_COMPILATION)
#error "Only <flutter_linux/flutter_linux.h> can be included directly."
#endif

#include <glib-object.h>
#include <gmodule.h>

#include "fl_method_codec.h"

G_BEGIN_DECLS

G_MODULE_EXPORT
G_DECLARE_FINAL_TYPE(FlStandardMethodCodec,
                     fl_standard_method_codec,
                     FL,
                     STANDARD_METHOD_CODEC,
                     FlMethodCodec)

G_MODULE_EXPORT FlStandardMethodCodec* fl_standard_method_codec_new();

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_STANDARD_METHOD_CODEC_H_
