#include "flutter_linux/fl_standard_method_codec.h"

#include "flutter_linux/fl_standard_message_codec.h"

namespace {

// First byte of a reply envelope.
constexpr uint8_t kEnvelopeSuccess = 0;
constexpr uint8_t kEnvelopeError = 1;

GBytes* FinishBuffer(GByteArray* buffer) {
  return g_byte_array_free_to_bytes(buffer);
}

bool ExpectEnd(GBytes* message, size_t offset, GError** error) {
  if (offset != g_bytes_get_size(message)) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR, FL_MESSAGE_CODEC_ERROR_FAILED,
                "Unexpected extra data");
    return false;
  }
  return true;
}

}  // namespace

struct _FlStandardMethodCodec {
  FlMethodCodec parent_instance;

  FlStandardMessageCodec* codec;
};

G_DEFINE_TYPE(FlStandardMethodCodec,
              fl_standard_method_codec,
              fl_method_codec_get_type())

static void fl_standard_method_codec_dispose(GObject* object) {
  FlStandardMethodCodec* self = FL_STANDARD_METHOD_CODEC(object);
  g_clear_object(&self->codec);
  G_OBJECT_CLASS(fl_standard_method_codec_parent_class)->dispose(object);
}

static GBytes* fl_standard_method_codec_encode_method_call(FlMethodCodec* codec,
                                                           const gchar* name,
                                                           FlValue* args,
                                                           GError** error) {
  FlStandardMethodCodec* self = FL_STANDARD_METHOD_CODEC(codec);
  // One buffer for name and args: the args' padding counts from the start
  // of the message, name included.
  g_autoptr(GByteArray) buffer = g_byte_array_new();
  g_autoptr(FlValue) name_value = fl_value_new_string(name);
  if (!fl_standard_message_codec_write_value(self->codec, buffer, name_value,
                                             error) ||
      !fl_standard_message_codec_write_value(self->codec, buffer, args,
                                             error)) {
    return nullptr;
  }
  return FinishBuffer(static_cast<GByteArray*>(g_steal_pointer(&buffer)));
}

static gboolean fl_standard_method_codec_decode_method_call(
    FlMethodCodec* codec,
    GBytes* message,
    gchar** name,
    FlValue** args,
    GError** error) {
  FlStandardMethodCodec* self = FL_STANDARD_METHOD_CODEC(codec);
  size_t offset = 0;
  g_autoptr(FlValue) name_value = fl_standard_message_codec_read_value(
      self->codec, message, &offset, error);
  if (name_value == nullptr) {
    return FALSE;
  }
  if (fl_value_get_type(name_value) != FL_VALUE_TYPE_STRING) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR, FL_MESSAGE_CODEC_ERROR_FAILED,
                "Method call name wrong type");
    return FALSE;
  }
  g_autoptr(FlValue) args_value = fl_standard_message_codec_read_value(
      self->codec, message, &offset, error);
  if (args_value == nullptr || !ExpectEnd(message, offset, error)) {
    return FALSE;
  }
  *name = g_strdup(fl_value_get_string(name_value));
  *args = fl_value_ref(args_value);
  return TRUE;
}

static GBytes* fl_standard_method_codec_encode_success_envelope(
    FlMethodCodec* codec,
    FlValue* result,
    GError** error) {
  FlStandardMethodCodec* self = FL_STANDARD_METHOD_CODEC(codec);
  g_autoptr(GByteArray) buffer = g_byte_array_new();
  g_byte_array_append(buffer, &kEnvelopeSuccess, 1);
  if (!fl_standard_message_codec_write_value(self->codec, buffer, result,
                                             error)) {
    return nullptr;
  }
  return FinishBuffer(static_cast<GByteArray*>(g_steal_pointer(&buffer)));
}

static GBytes* fl_standard_method_codec_encode_error_envelope(
    FlMethodCodec* codec,
    const gchar* code,
    const gchar* message,
    FlValue* details,
    GError** error) {
  FlStandardMethodCodec* self = FL_STANDARD_METHOD_CODEC(codec);
  g_autoptr(GByteArray) buffer = g_byte_array_new();
  g_byte_array_append(buffer, &kEnvelopeError, 1);
  g_autoptr(FlValue) code_value = fl_value_new_string(code);
  g_autoptr(FlValue) message_value =
      message != nullptr ? fl_value_new_string(message) : nullptr;
  if (!fl_standard_message_codec_write_value(self->codec, buffer, code_value,
                                             error) ||
      !fl_standard_message_codec_write_value(self->codec, buffer, message_value,
                                             error) ||
      !fl_standard_message_codec_write_value(self->codec, buffer, details,
                                             error)) {
    return nullptr;
  }
  return FinishBuffer(static_cast<GByteArray*>(g_steal_pointer(&buffer)));
}

static FlMethodResponse* DecodeError(FlStandardMessageCodec* codec,
                                     GBytes* message,
                                     size_t* offset,
                                     GError** error) {
  g_autoptr(FlValue) code =
      fl_standard_message_codec_read_value(codec, message, offset, error);
  if (code == nullptr) {
    return nullptr;
  }
  if (fl_value_get_type(code) != FL_VALUE_TYPE_STRING) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR, FL_MESSAGE_CODEC_ERROR_FAILED,
                "Error code wrong type");
    return nullptr;
  }
  g_autoptr(FlValue) text =
      fl_standard_message_codec_read_value(codec, message, offset, error);
  if (text == nullptr) {
    return nullptr;
  }
  FlValueType text_type = fl_value_get_type(text);
  if (text_type != FL_VALUE_TYPE_STRING && text_type != FL_VALUE_TYPE_NULL) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR, FL_MESSAGE_CODEC_ERROR_FAILED,
                "Error message wrong type");
    return nullptr;
  }
  g_autoptr(FlValue) details =
      fl_standard_message_codec_read_value(codec, message, offset, error);
  if (details == nullptr || !ExpectEnd(message, *offset, error)) {
    return nullptr;
  }
  return FL_METHOD_RESPONSE(fl_method_error_response_new(
      fl_value_get_string(code),
      text_type == FL_VALUE_TYPE_STRING ? fl_value_get_string(text) : nullptr,
      fl_value_get_type(details) == FL_VALUE_TYPE_NULL ? nullptr : details));
}

static FlMethodResponse* fl_standard_method_codec_decode_response(
    FlMethodCodec* codec,
    GBytes* message,
    GError** error) {
  FlStandardMethodCodec* self = FL_STANDARD_METHOD_CODEC(codec);
  if (g_bytes_get_size(message) == 0) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR,
                FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA, "Empty response");
    return nullptr;
  }
  const uint8_t envelope =
      static_cast<const uint8_t*>(g_bytes_get_data(message, nullptr))[0];
  size_t offset = 1;
  if (envelope == kEnvelopeError) {
    return DecodeError(self->codec, message, &offset, error);
  }
  if (envelope != kEnvelopeSuccess) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR, FL_MESSAGE_CODEC_ERROR_FAILED,
                "Unknown envelope type %02x", envelope);
    return nullptr;
  }
  g_autoptr(FlValue) result = fl_standard_message_codec_read_value(
      self->codec, message, &offset, error);
  if (result == nullptr || !ExpectEnd(message, offset, error)) {
    return nullptr;
  }
  return FL_METHOD_RESPONSE(fl_method_success_response_new(result));
}

static void fl_standard_method_codec_class_init(
    FlStandardMethodCodecClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = fl_standard_method_codec_dispose;
  FlMethodCodecClass* codec_class = FL_METHOD_CODEC_CLASS(klass);
  codec_class->encode_method_call = fl_standard_method_codec_encode_method_call;
  codec_class->decode_method_call = fl_standard_method_codec_decode_method_call;
  codec_class->encode_success_envelope =
      fl_standard_method_codec_encode_success_envelope;
  codec_class->encode_error_envelope =
      fl_standard_method_codec_encode_error_envelope;
  codec_class->decode_response = fl_standard_method_codec_decode_response;
}

static void fl_standard_method_codec_init(FlStandardMethodCodec* self) {
  self->codec = fl_standard_message_codec_new();
}

FlStandardMethodCodec* fl_standard_method_codec_new() {
  return FL_STANDARD_METHOD_CODEC(
      g_object_new(fl_standard_method_codec_get_type(), nullptr));
}
