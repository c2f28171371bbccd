#ifndef FLUTTER_LINUX_FL_STANDARD_MESSAGE_CODEC_H_
#define FLUTTER_LINUX_FL_STANDARD_MESSAGE_CODEC_H_

#if !defined(__FLUTTER_LINUX_INSIDE__) && !defined(FLUTTER_LINUX_COMPILATION)
#error "Only <flutter_linux/flutter_linux.h> can be included directly."
#endif

#include <glib-object.h>
#include <gmodule.h>

#include "fl_message_codec.h"

G_BEGIN_DECLS

G_MODULE_EXPORT
G_DECLARE_DERIVABLE_TYPE(FlStandardMessageCodec,
                         fl_standard_message_codec,
                         FL,
                         STANDARD_MESSAGE_CODEC,
                         FlMessageCodec)

// Subclasses extend the codec with types of their own by overriding these
// and chaining up for the standard ones.
struct _FlStandardMessageCodecClass {
  FlMessageCodecClass parent_class;

  gboolean (*write_value)(FlStandardMessageCodec* codec,
                          GByteArray* buffer,
                          FlValue* value,
                          GError** error);
  FlValue* (*read_value_of_type)(FlStandardMessageCodec* codec,
                                 GBytes* buffer,
                                 size_t* offset,
                                 int type,
                                 GError** error);
};

G_MODULE_EXPORT FlStandardMessageCodec* fl_standard_message_codec_new();

G_MODULE_EXPORT void fl_standard_message_codec_write_size(
    FlStandardMessageCodec* codec,
    GByteArray* buffer,
    uint32_t size);

G_MODULE_EXPORT gboolean
fl_standard_message_codec_read_size(FlStandardMessageCodec* codec,
                                    GBytes* buffer,
                                    size_t* offset,
                                    uint32_t* value,
                                    GError** error);

G_MODULE_EXPORT gboolean
fl_standard_message_codec_write_value(FlStandardMessageCodec* codec,
                                      GByteArray* buffer,
                                      FlValue* value,
                                      GError** error);

G_MODULE_EXPORT FlValue* fl_standard_message_codec_read_value(
    FlStandardMessageCodec* codec,
    GBytes* buffer,
    size_t* offset,
    GError** error);

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_STANDARD_MESSAGE_CODEC_H_
