#ifndef FLUTTER_LINUX_FL_METHOD_CODEC_PRIVATE_H_
#define FLUTTER_LINUX_FL_METHOD_CODEC_PRIVATE_H_

#include "flutter_linux/fl_method_codec.h"

G_BEGIN_DECLS

// Internal wrappers around the codec class; not exported.

GBytes* fl_method_codec_encode_method_call(FlMethodCodec* codec,
                                           const gchar* name,
                                           FlValue* args,
                                           GError** error);

gboolean fl_method_codec_decode_method_call(FlMethodCodec* codec,
                                            GBytes* message,
                                            gchar** name,
                                            FlValue** args,
                                            GError** error);

GBytes* fl_method_codec_encode_success_envelope(FlMethodCodec* codec,
                                                FlValue* result,
                                                GError** error);

GBytes* fl_method_codec_encode_error_envelope(FlMethodCodec* codec,
                                              const gchar* code,
                                              const gchar* message,
                                              FlValue* details,
                                              GError** error);

// An empty message is the not-implemented reply.
FlMethodResponse* fl_method_codec_decode_response(FlMethodCodec* codec,
                                                  GBytes* message,
                                                  GError** error);

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_METHOD_CODEC_PRIVATE_H_
