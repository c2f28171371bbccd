#include "flutter_linux/fl_standard_message_codec.h"

#include <cstring>

// Wire reference: values are a type byte followed by a payload in host byte
// order; lengths use the expanding size form; doubles and the elements of
// 32/64-bit typed lists start at a multiple of their size counted from the
// start of the whole message.

namespace {

enum : uint8_t {
  kNull = 0,
  kTrue = 1,
  kFalse = 2,
  kInt32 = 3,
  kInt64 = 4,
  kLargeInt = 5,  // never written by Dart; rejected like the engine does
  kFloat64 = 6,
  kString = 7,
  kUint8List = 8,
  kInt32List = 9,
  kInt64List = 10,
  kFloat64List = 11,
  kList = 12,
  kMap = 13,
  kFloat32List = 14,
};

// Sizes below this fit in one byte; 254 and 255 announce a 16-bit and a
// 32-bit size.
constexpr uint32_t kSize16 = 254;
constexpr uint32_t kSize32 = 255;

// Decoding recurses once per nesting level, and so do encoding, comparing,
// printing and freeing the result. Measured with 2000 levels of lists: all
// of that fits in 1.5 MiB of stack under clang's AddressSanitizer at -O0
// and in 0.5 MiB without it, so a hostile message costs an error, never
// the stack (8 MiB on the main thread). Real messages nest a few levels.
constexpr int kMaxDepth = 2000;

// Depth of the read_value calls under way on this thread.
thread_local int read_depth = 0;

size_t Remaining(GBytes* buffer, size_t offset) {
  gsize size = g_bytes_get_size(buffer);
  return offset < size ? size - offset : 0;
}

// Consumes `length` bytes at `*offset`, or fails without moving.
bool Take(GBytes* buffer,
          size_t* offset,
          size_t length,
          const uint8_t** data,
          GError** error) {
  if (Remaining(buffer, *offset) < length) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR,
                FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA, "Unexpected end of data");
    return false;
  }
  *data =
      static_cast<const uint8_t*>(g_bytes_get_data(buffer, nullptr)) + *offset;
  *offset += length;
  return true;
}

template <typename T>
bool ReadNumber(GBytes* buffer, size_t* offset, T* value, GError** error) {
  const uint8_t* data = nullptr;
  if (!Take(buffer, offset, sizeof(T), &data, error)) {
    return false;
  }
  memcpy(value, data, sizeof(T));
  return true;
}

// Scalars are read in helpers of their own so that the frame of
// read_value_of_type, which every nesting level passes through, stays small.
template <typename T>
FlValue* ReadInt(GBytes* buffer, size_t* offset, GError** error) {
  T number = 0;
  return ReadNumber(buffer, offset, &number, error) ? fl_value_new_int(number)
                                                    : nullptr;
}

bool ReadAlignment(GBytes* buffer,
                   size_t* offset,
                   size_t alignment,
                   GError** error) {
  const uint8_t* padding = nullptr;
  return Take(buffer, offset, (alignment - *offset % alignment) % alignment,
              &padding, error);
}

FlValue* ReadFloat64(GBytes* buffer, size_t* offset, GError** error) {
  double number = 0;
  return ReadAlignment(buffer, offset, sizeof(double), error) &&
                 ReadNumber(buffer, offset, &number, error)
             ? fl_value_new_float(number)
             : nullptr;
}

// The type byte, or -1 with `error` set.
int ReadType(GBytes* buffer, size_t* offset, GError** error) {
  uint8_t type = 0;
  return ReadNumber(buffer, offset, &type, error) ? type : -1;
}

void WriteAlignment(GByteArray* buffer, size_t alignment) {
  while (buffer->len % alignment != 0) {
    uint8_t zero = 0;
    g_byte_array_append(buffer, &zero, 1);
  }
}

template <typename T>
void WriteNumber(GByteArray* buffer, T value) {
  g_byte_array_append(buffer, reinterpret_cast<const uint8_t*>(&value),
                      sizeof(T));
}

void WriteType(GByteArray* buffer, uint8_t type) {
  g_byte_array_append(buffer, &type, 1);
}

bool WriteLength(FlStandardMessageCodec* codec,
                 GByteArray* buffer,
                 size_t length,
                 GError** error) {
  if (length > G_MAXUINT32) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR, FL_MESSAGE_CODEC_ERROR_FAILED,
                "Length %zu too large for the standard codec", length);
    return false;
  }
  fl_standard_message_codec_write_size(codec, buffer,
                                       static_cast<uint32_t>(length));
  return true;
}

// Writes the length, the padding before the first element and the elements.
bool WriteTypedList(FlStandardMessageCodec* codec,
                    GByteArray* buffer,
                    const void* data,
                    size_t length,
                    size_t element_size,
                    GError** error) {
  if (!WriteLength(codec, buffer, length, error)) {
    return false;
  }
  WriteAlignment(buffer, element_size);
  if (length > 0) {
    g_byte_array_append(buffer, static_cast<const uint8_t*>(data),
                        length * element_size);
  }
  return true;
}

// Reads a length and checks that that many items of `item_size` bytes can
// still follow, before anything is allocated for them.
bool ReadLength(FlStandardMessageCodec* codec,
                GBytes* buffer,
                size_t* offset,
                size_t alignment,
                size_t item_size,
                uint32_t* length,
                GError** error) {
  if (!fl_standard_message_codec_read_size(codec, buffer, offset, length,
                                           error) ||
      !ReadAlignment(buffer, offset, alignment, error)) {
    return false;
  }
  if (*length > Remaining(buffer, *offset) / item_size) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR,
                FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA,
                "Length %u exceeds the remaining %zu bytes", *length,
                Remaining(buffer, *offset));
    return false;
  }
  return true;
}

template <typename T>
FlValue* ReadTypedList(FlStandardMessageCodec* codec,
                       GBytes* buffer,
                       size_t* offset,
                       FlValue* (*make)(const T*, size_t),
                       GError** error) {
  uint32_t length = 0;
  const uint8_t* data = nullptr;
  if (!ReadLength(codec, buffer, offset, sizeof(T), sizeof(T), &length,
                  error) ||
      !Take(buffer, offset, length * sizeof(T), &data, error)) {
    return nullptr;
  }
  // The elements may sit at any address in the message: copied to
  // properly aligned memory before they are read as T.
  g_autofree T* elements =
      static_cast<T*>(g_memdup2(data, static_cast<gsize>(length) * sizeof(T)));
  return make(elements, length);
}

FlValue* ReadString(FlStandardMessageCodec* codec,
                    GBytes* buffer,
                    size_t* offset,
                    GError** error) {
  uint32_t length = 0;
  const uint8_t* data = nullptr;
  if (!ReadLength(codec, buffer, offset, 1, 1, &length, error) ||
      !Take(buffer, offset, length, &data, error)) {
    return nullptr;
  }
  return fl_value_new_string_sized(reinterpret_cast<const gchar*>(data),
                                   length);
}

FlValue* ReadList(FlStandardMessageCodec* codec,
                  GBytes* buffer,
                  size_t* offset,
                  GError** error) {
  uint32_t length = 0;
  // Every element takes at least its type byte.
  if (!ReadLength(codec, buffer, offset, 1, 1, &length, error)) {
    return nullptr;
  }
  g_autoptr(FlValue) list = fl_value_new_list();
  for (uint32_t i = 0; i < length; i++) {
    FlValue* child =
        fl_standard_message_codec_read_value(codec, buffer, offset, error);
    if (child == nullptr) {
      return nullptr;
    }
    fl_value_append_take(list, child);
  }
  return fl_value_ref(list);
}

FlValue* ReadMap(FlStandardMessageCodec* codec,
                 GBytes* buffer,
                 size_t* offset,
                 GError** error) {
  uint32_t length = 0;
  // Every pair takes at least two type bytes.
  if (!ReadLength(codec, buffer, offset, 1, 2, &length, error)) {
    return nullptr;
  }
  g_autoptr(FlValue) map = fl_value_new_map();
  for (uint32_t i = 0; i < length; i++) {
    g_autoptr(FlValue) key =
        fl_standard_message_codec_read_value(codec, buffer, offset, error);
    if (key == nullptr) {
      return nullptr;
    }
    FlValue* value =
        fl_standard_message_codec_read_value(codec, buffer, offset, error);
    if (value == nullptr) {
      return nullptr;
    }
    fl_value_set_take(map, fl_value_ref(key), value);
  }
  return fl_value_ref(map);
}

}  // namespace

G_DEFINE_TYPE(FlStandardMessageCodec,
              fl_standard_message_codec,
              fl_message_codec_get_type())

static gboolean fl_standard_message_codec_real_write_value(
    FlStandardMessageCodec* self,
    GByteArray* buffer,
    FlValue* value,
    GError** error) {
  if (value == nullptr) {
    WriteType(buffer, kNull);
    return TRUE;
  }
  switch (fl_value_get_type(value)) {
    case FL_VALUE_TYPE_NULL:
      WriteType(buffer, kNull);
      return TRUE;
    case FL_VALUE_TYPE_BOOL:
      WriteType(buffer, fl_value_get_bool(value) ? kTrue : kFalse);
      return TRUE;
    case FL_VALUE_TYPE_INT: {
      int64_t number = fl_value_get_int(value);
      if (number >= G_MININT32 && number <= G_MAXINT32) {
        WriteType(buffer, kInt32);
        WriteNumber(buffer, static_cast<int32_t>(number));
      } else {
        WriteType(buffer, kInt64);
        WriteNumber(buffer, number);
      }
      return TRUE;
    }
    case FL_VALUE_TYPE_FLOAT:
      WriteType(buffer, kFloat64);
      WriteAlignment(buffer, sizeof(double));
      WriteNumber(buffer, fl_value_get_float(value));
      return TRUE;
    case FL_VALUE_TYPE_STRING: {
      const gchar* text = fl_value_get_string(value);
      if (text == nullptr) {
        // fl_value_new_string(NULL); the engine would crash in strlen here.
        g_set_error(error, FL_MESSAGE_CODEC_ERROR,
                    FL_MESSAGE_CODEC_ERROR_FAILED, "String value is NULL");
        return FALSE;
      }
      WriteType(buffer, kString);
      return WriteTypedList(self, buffer, text, strlen(text), 1, error);
    }
    case FL_VALUE_TYPE_UINT8_LIST:
      WriteType(buffer, kUint8List);
      return WriteTypedList(self, buffer, fl_value_get_uint8_list(value),
                            fl_value_get_length(value), sizeof(uint8_t), error);
    case FL_VALUE_TYPE_INT32_LIST:
      WriteType(buffer, kInt32List);
      return WriteTypedList(self, buffer, fl_value_get_int32_list(value),
                            fl_value_get_length(value), sizeof(int32_t), error);
    case FL_VALUE_TYPE_INT64_LIST:
      WriteType(buffer, kInt64List);
      return WriteTypedList(self, buffer, fl_value_get_int64_list(value),
                            fl_value_get_length(value), sizeof(int64_t), error);
    case FL_VALUE_TYPE_FLOAT32_LIST:
      WriteType(buffer, kFloat32List);
      return WriteTypedList(self, buffer, fl_value_get_float32_list(value),
                            fl_value_get_length(value), sizeof(float), error);
    case FL_VALUE_TYPE_FLOAT_LIST:
      WriteType(buffer, kFloat64List);
      return WriteTypedList(self, buffer, fl_value_get_float_list(value),
                            fl_value_get_length(value), sizeof(double), error);
    case FL_VALUE_TYPE_LIST: {
      size_t length = fl_value_get_length(value);
      WriteType(buffer, kList);
      if (!WriteLength(self, buffer, length, error)) {
        return FALSE;
      }
      for (size_t i = 0; i < length; i++) {
        if (!fl_standard_message_codec_write_value(
                self, buffer, fl_value_get_list_value(value, i), error)) {
          return FALSE;
        }
      }
      return TRUE;
    }
    case FL_VALUE_TYPE_MAP: {
      size_t length = fl_value_get_length(value);
      WriteType(buffer, kMap);
      if (!WriteLength(self, buffer, length, error)) {
        return FALSE;
      }
      for (size_t i = 0; i < length; i++) {
        if (!fl_standard_message_codec_write_value(
                self, buffer, fl_value_get_map_key(value, i), error) ||
            !fl_standard_message_codec_write_value(
                self, buffer, fl_value_get_map_value(value, i), error)) {
          return FALSE;
        }
      }
      return TRUE;
    }
  }
  g_set_error(error, FL_MESSAGE_CODEC_ERROR,
              FL_MESSAGE_CODEC_ERROR_UNSUPPORTED_TYPE,
              "Unexpected FlValue type %d", fl_value_get_type(value));
  return FALSE;
}

static FlValue* fl_standard_message_codec_real_read_value_of_type(
    FlStandardMessageCodec* self,
    GBytes* buffer,
    size_t* offset,
    int type,
    GError** error) {
  switch (type) {
    case kNull:
      return fl_value_new_null();
    case kTrue:
      return fl_value_new_bool(true);
    case kFalse:
      return fl_value_new_bool(false);
    case kInt32:
      return ReadInt<int32_t>(buffer, offset, error);
    case kInt64:
      return ReadInt<int64_t>(buffer, offset, error);
    case kFloat64:
      return ReadFloat64(buffer, offset, error);
    case kString:
      return ReadString(self, buffer, offset, error);
    case kUint8List:
      return ReadTypedList<uint8_t>(self, buffer, offset,
                                    fl_value_new_uint8_list, error);
    case kInt32List:
      return ReadTypedList<int32_t>(self, buffer, offset,
                                    fl_value_new_int32_list, error);
    case kInt64List:
      return ReadTypedList<int64_t>(self, buffer, offset,
                                    fl_value_new_int64_list, error);
    case kFloat64List:
      return ReadTypedList<double>(self, buffer, offset,
                                   fl_value_new_float_list, error);
    case kFloat32List:
      return ReadTypedList<float>(self, buffer, offset,
                                  fl_value_new_float32_list, error);
    case kList:
      return ReadList(self, buffer, offset, error);
    case kMap:
      return ReadMap(self, buffer, offset, error);
    default:  // kLargeInt, reserved and extension types
      g_set_error(error, FL_MESSAGE_CODEC_ERROR,
                  FL_MESSAGE_CODEC_ERROR_UNSUPPORTED_TYPE,
                  "Unexpected standard codec type %02x", type);
      return nullptr;
  }
}

static GBytes* fl_standard_message_codec_encode_message(FlMessageCodec* codec,
                                                        FlValue* message,
                                                        GError** error) {
  g_autoptr(GByteArray) buffer = g_byte_array_new();
  if (!fl_standard_message_codec_write_value(FL_STANDARD_MESSAGE_CODEC(codec),
                                             buffer, message, error)) {
    return nullptr;
  }
  return g_byte_array_free_to_bytes(
      static_cast<GByteArray*>(g_steal_pointer(&buffer)));
}

static FlValue* fl_standard_message_codec_decode_message(FlMessageCodec* codec,
                                                         GBytes* message,
                                                         GError** error) {
  size_t offset = 0;
  g_autoptr(FlValue) value = fl_standard_message_codec_read_value(
      FL_STANDARD_MESSAGE_CODEC(codec), message, &offset, error);
  if (value == nullptr) {
    return nullptr;
  }
  if (offset != g_bytes_get_size(message)) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR,
                FL_MESSAGE_CODEC_ERROR_ADDITIONAL_DATA,
                "Unused %zu bytes after standard message",
                g_bytes_get_size(message) - offset);
    return nullptr;
  }
  return fl_value_ref(value);
}

static void fl_standard_message_codec_class_init(
    FlStandardMessageCodecClass* klass) {
  FL_MESSAGE_CODEC_CLASS(klass)->encode_message =
      fl_standard_message_codec_encode_message;
  FL_MESSAGE_CODEC_CLASS(klass)->decode_message =
      fl_standard_message_codec_decode_message;
  klass->write_value = fl_standard_message_codec_real_write_value;
  klass->read_value_of_type = fl_standard_message_codec_real_read_value_of_type;
}

static void fl_standard_message_codec_init(FlStandardMessageCodec*) {}

FlStandardMessageCodec* fl_standard_message_codec_new() {
  return FL_STANDARD_MESSAGE_CODEC(
      g_object_new(fl_standard_message_codec_get_type(), nullptr));
}

void fl_standard_message_codec_write_size(FlStandardMessageCodec*,
                                          GByteArray* buffer,
                                          uint32_t size) {
  if (size < kSize16) {
    WriteType(buffer, static_cast<uint8_t>(size));
  } else if (size <= G_MAXUINT16) {
    WriteType(buffer, kSize16);
    WriteNumber(buffer, static_cast<uint16_t>(size));
  } else {
    WriteType(buffer, kSize32);
    WriteNumber(buffer, size);
  }
}

gboolean fl_standard_message_codec_read_size(FlStandardMessageCodec*,
                                             GBytes* buffer,
                                             size_t* offset,
                                             uint32_t* value,
                                             GError** error) {
  uint8_t first = 0;
  if (!ReadNumber(buffer, offset, &first, error)) {
    return FALSE;
  }
  if (first == kSize16) {
    uint16_t size = 0;
    if (!ReadNumber(buffer, offset, &size, error)) {
      return FALSE;
    }
    *value = size;
  } else if (first == kSize32) {
    if (!ReadNumber(buffer, offset, value, error)) {
      return FALSE;
    }
  } else {
    *value = first;
  }
  return TRUE;
}

gboolean fl_standard_message_codec_write_value(FlStandardMessageCodec* codec,
                                               GByteArray* buffer,
                                               FlValue* value,
                                               GError** error) {
  g_return_val_if_fail(FL_IS_STANDARD_MESSAGE_CODEC(codec), FALSE);
  return FL_STANDARD_MESSAGE_CODEC_GET_CLASS(codec)->write_value(codec, buffer,
                                                                 value, error);
}

FlValue* fl_standard_message_codec_read_value(FlStandardMessageCodec* codec,
                                              GBytes* buffer,
                                              size_t* offset,
                                              GError** error) {
  g_return_val_if_fail(FL_IS_STANDARD_MESSAGE_CODEC(codec), nullptr);
  if (read_depth >= kMaxDepth) {
    g_set_error(error, FL_MESSAGE_CODEC_ERROR, FL_MESSAGE_CODEC_ERROR_FAILED,
                "Values nested deeper than %d levels", kMaxDepth);
    return nullptr;
  }
  int type = ReadType(buffer, offset, error);
  if (type < 0) {
    return nullptr;
  }
  read_depth++;
  FlValue* value =
      FL_STANDARD_MESSAGE_CODEC_GET_CLASS(codec)->read_value_of_type(
          codec, buffer, offset, type, error);
  read_depth--;
  return value;
}
