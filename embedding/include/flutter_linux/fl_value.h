#ifndef FLUTTER_LINUX_FL_VALUE_H_
#define FLUTTER_LINUX_FL_VALUE_H_

#if !defined(__FLUTTER_LINUX_INSIDE__) && !defined(FLUTTER_LINUX_COMPILATION)
#error "Only <flutter_linux/flutter_linux.h> can be included directly."
#endif

#include <glib.h>
#include <gmodule.h>
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

G_BEGIN_DECLS

// A reference-counted value of any type the standard codec carries. Not a
// GObject, and the count is not atomic: share values within one thread.
typedef struct _FlValue FlValue;

// The order is the embedding's, not the codec's type bytes.
typedef enum {
  FL_VALUE_TYPE_NULL,
  FL_VALUE_TYPE_BOOL,
  FL_VALUE_TYPE_INT,
  FL_VALUE_TYPE_FLOAT,
  FL_VALUE_TYPE_STRING,
  FL_VALUE_TYPE_UINT8_LIST,
  FL_VALUE_TYPE_INT32_LIST,
  FL_VALUE_TYPE_INT64_LIST,
  FL_VALUE_TYPE_FLOAT_LIST,
  FL_VALUE_TYPE_LIST,
  FL_VALUE_TYPE_MAP,
  FL_VALUE_TYPE_FLOAT32_LIST,
} FlValueType;

G_MODULE_EXPORT FlValue* fl_value_new_null();
G_MODULE_EXPORT FlValue* fl_value_new_bool(bool value);
G_MODULE_EXPORT FlValue* fl_value_new_int(int64_t value);
G_MODULE_EXPORT FlValue* fl_value_new_float(double value);
G_MODULE_EXPORT FlValue* fl_value_new_string(const gchar* value);
G_MODULE_EXPORT FlValue* fl_value_new_string_sized(const gchar* value,
                                                   size_t value_length);
G_MODULE_EXPORT FlValue* fl_value_new_uint8_list(const uint8_t* value,
                                                 size_t value_length);
G_MODULE_EXPORT FlValue* fl_value_new_uint8_list_from_bytes(GBytes* value);
G_MODULE_EXPORT FlValue* fl_value_new_int32_list(const int32_t* value,
                                                 size_t value_length);
G_MODULE_EXPORT FlValue* fl_value_new_int64_list(const int64_t* value,
                                                 size_t value_length);
G_MODULE_EXPORT FlValue* fl_value_new_float32_list(const float* value,
                                                   size_t value_length);
G_MODULE_EXPORT FlValue* fl_value_new_float_list(const double* value,
                                                 size_t value_length);
G_MODULE_EXPORT FlValue* fl_value_new_list();
G_MODULE_EXPORT FlValue* fl_value_new_list_from_strv(const gchar* const* value);
G_MODULE_EXPORT FlValue* fl_value_new_map();

G_MODULE_EXPORT FlValue* fl_value_ref(FlValue* value);
G_MODULE_EXPORT void fl_value_unref(FlValue* value);

G_MODULE_EXPORT FlValueType fl_value_get_type(FlValue* value);
G_MODULE_EXPORT bool fl_value_equal(FlValue* a, FlValue* b);

G_MODULE_EXPORT void fl_value_append(FlValue* value, FlValue* child);
G_MODULE_EXPORT void fl_value_append_take(FlValue* value, FlValue* child);
G_MODULE_EXPORT void fl_value_set(FlValue* value,
                                  FlValue* key,
                                  FlValue* child_value);
G_MODULE_EXPORT void fl_value_set_take(FlValue* value,
                                       FlValue* key,
                                       FlValue* child_value);
G_MODULE_EXPORT void fl_value_set_string(FlValue* value,
                                         const gchar* key,
                                         FlValue* child_value);
G_MODULE_EXPORT void fl_value_set_string_take(FlValue* value,
                                              const gchar* key,
                                              FlValue* child_value);

G_MODULE_EXPORT bool fl_value_get_bool(FlValue* value);
G_MODULE_EXPORT int64_t fl_value_get_int(FlValue* value);
G_MODULE_EXPORT double fl_value_get_float(FlValue* value);
G_MODULE_EXPORT const gchar* fl_value_get_string(FlValue* value);
G_MODULE_EXPORT const uint8_t* fl_value_get_uint8_list(FlValue* value);
G_MODULE_EXPORT const int32_t* fl_value_get_int32_list(FlValue* value);
G_MODULE_EXPORT const int64_t* fl_value_get_int64_list(FlValue* value);
G_MODULE_EXPORT const float* fl_value_get_float32_list(FlValue* value);
G_MODULE_EXPORT const double* fl_value_get_float_list(FlValue* value);
G_MODULE_EXPORT size_t fl_value_get_length(FlValue* value);
G_MODULE_EXPORT FlValue* fl_value_get_list_value(FlValue* value, size_t index);
G_MODULE_EXPORT FlValue* fl_value_get_map_key(FlValue* value, size_t index);
G_MODULE_EXPORT FlValue* fl_value_get_map_value(FlValue* value, size_t index);
G_MODULE_EXPORT FlValue* fl_value_lookup(FlValue* value, FlValue* key);
G_MODULE_EXPORT FlValue* fl_value_lookup_string(FlValue* value,
                                                const gchar* key);

G_MODULE_EXPORT gchar* fl_value_to_string(FlValue* value);

G_DEFINE_AUTOPTR_CLEANUP_FUNC(FlValue, fl_value_unref)

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_VALUE_H_
