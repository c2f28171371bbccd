#include "flutter_linux/fl_value.h"

#include <cstring>
#include <type_traits>

namespace {

// Typed lists keep a copy of their elements; `length` counts elements.
struct TypedList {
  void* data;
  size_t length;
};

// Maps keep keys and values in two parallel arrays, in insertion order.
struct MapData {
  GPtrArray* keys;
  GPtrArray* values;
};

}  // namespace

struct _FlValue {
  FlValueType type;
  int ref_count;
  union {
    bool bool_value;
    int64_t int_value;
    double float_value;
    gchar* string_value;
    TypedList typed;
    GPtrArray* list;
    MapData map;
  } u;
};

namespace {

FlValue* NewValue(FlValueType type) {
  FlValue* self = g_new0(FlValue, 1);
  self->type = type;
  self->ref_count = 1;
  return self;
}

FlValue* NewTypedList(FlValueType type,
                      const void* data,
                      size_t length,
                      size_t element_size) {
  FlValue* self = NewValue(type);
  self->u.typed.length = length;
  self->u.typed.data =
      length > 0 ? g_memdup2(data, length * element_size) : nullptr;
  return self;
}

bool IsTypedList(FlValueType type) {
  switch (type) {
    case FL_VALUE_TYPE_UINT8_LIST:
    case FL_VALUE_TYPE_INT32_LIST:
    case FL_VALUE_TYPE_INT64_LIST:
    case FL_VALUE_TYPE_FLOAT32_LIST:
    case FL_VALUE_TYPE_FLOAT_LIST:
      return true;
    default:
      return false;
  }
}

size_t ElementSize(FlValueType type) {
  switch (type) {
    case FL_VALUE_TYPE_UINT8_LIST:
      return sizeof(uint8_t);
    case FL_VALUE_TYPE_INT32_LIST:
      return sizeof(int32_t);
    case FL_VALUE_TYPE_FLOAT32_LIST:
      return sizeof(float);
    default:
      return sizeof(int64_t);
  }
}

void UnrefChild(gpointer value) {
  fl_value_unref(static_cast<FlValue*>(value));
}

// Returns the index of `key` in a map, or -1.
int MapIndex(FlValue* self, FlValue* key) {
  for (guint i = 0; i < self->u.map.keys->len; i++) {
    if (fl_value_equal(
            static_cast<FlValue*>(g_ptr_array_index(self->u.map.keys, i)),
            key)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// Floats are printed with 16 decimals, then trailing zeros are dropped, but
// one digit always stays after the point: 1.0, 0.5, 3.1415926535897931.
void AppendFloat(GString* buffer, double value) {
  gsize start = buffer->len;
  g_string_append_printf(buffer, "%.16f", value);
  const gchar* point = strchr(buffer->str + start, '.');
  if (point == nullptr) {
    return;  // inf or nan
  }
  gsize keep = buffer->len;
  gsize min_keep = (point - buffer->str) + 2;
  while (keep > min_keep && buffer->str[keep - 1] == '0') {
    keep--;
  }
  g_string_truncate(buffer, keep);
}

void AppendValue(GString* buffer, FlValue* value);

template <typename T>
void AppendNumbers(GString* buffer, const T* data, size_t length) {
  g_string_append_c(buffer, '[');
  for (size_t i = 0; i < length; i++) {
    if (i > 0) {
      g_string_append(buffer, ", ");
    }
    if constexpr (std::is_floating_point_v<T>) {
      AppendFloat(buffer, data[i]);
    } else {
      g_string_append_printf(buffer, "%" G_GINT64_FORMAT,
                             static_cast<gint64>(data[i]));
    }
  }
  g_string_append_c(buffer, ']');
}

void AppendList(GString* buffer, FlValue* value) {
  g_string_append_c(buffer, '[');
  for (guint i = 0; i < value->u.list->len; i++) {
    if (i > 0) {
      g_string_append(buffer, ", ");
    }
    AppendValue(buffer,
                static_cast<FlValue*>(g_ptr_array_index(value->u.list, i)));
  }
  g_string_append_c(buffer, ']');
}

void AppendMap(GString* buffer, FlValue* value) {
  g_string_append_c(buffer, '{');
  for (guint i = 0; i < value->u.map.keys->len; i++) {
    if (i > 0) {
      g_string_append(buffer, ", ");
    }
    AppendValue(buffer,
                static_cast<FlValue*>(g_ptr_array_index(value->u.map.keys, i)));
    g_string_append(buffer, ": ");
    AppendValue(buffer, static_cast<FlValue*>(
                            g_ptr_array_index(value->u.map.values, i)));
  }
  g_string_append_c(buffer, '}');
}

// Printing recurses through here once per nesting level; the containers
// have their own helpers so that this frame stays small.
void AppendValue(GString* buffer, FlValue* value) {
  switch (value->type) {
    case FL_VALUE_TYPE_NULL:
      g_string_append(buffer, "null");
      return;
    case FL_VALUE_TYPE_BOOL:
      g_string_append(buffer, value->u.bool_value ? "true" : "false");
      return;
    case FL_VALUE_TYPE_INT:
      g_string_append_printf(buffer, "%" G_GINT64_FORMAT, value->u.int_value);
      return;
    case FL_VALUE_TYPE_FLOAT:
      AppendFloat(buffer, value->u.float_value);
      return;
    case FL_VALUE_TYPE_STRING:
      g_string_append(buffer, value->u.string_value);
      return;
    case FL_VALUE_TYPE_UINT8_LIST:
      AppendNumbers(buffer, static_cast<uint8_t*>(value->u.typed.data),
                    value->u.typed.length);
      return;
    case FL_VALUE_TYPE_INT32_LIST:
      AppendNumbers(buffer, static_cast<int32_t*>(value->u.typed.data),
                    value->u.typed.length);
      return;
    case FL_VALUE_TYPE_INT64_LIST:
      AppendNumbers(buffer, static_cast<int64_t*>(value->u.typed.data),
                    value->u.typed.length);
      return;
    case FL_VALUE_TYPE_FLOAT32_LIST:
      AppendNumbers(buffer, static_cast<float*>(value->u.typed.data),
                    value->u.typed.length);
      return;
    case FL_VALUE_TYPE_FLOAT_LIST:
      AppendNumbers(buffer, static_cast<double*>(value->u.typed.data),
                    value->u.typed.length);
      return;
    case FL_VALUE_TYPE_LIST:
      AppendList(buffer, value);
      return;
    case FL_VALUE_TYPE_MAP:
      AppendMap(buffer, value);
      return;
  }
}

template <typename T>
bool NumbersEqual(const void* a, const void* b, size_t length) {
  const T* x = static_cast<const T*>(a);
  const T* y = static_cast<const T*>(b);
  for (size_t i = 0; i < length; i++) {
    if (!(x[i] == y[i])) {
      return false;
    }
  }
  return true;
}

// Containers are compared in helpers of their own: fl_value_equal recurses
// once per nesting level, so its own frame is kept small.
bool ListsEqual(FlValue* a, FlValue* b) {
  if (a->u.list->len != b->u.list->len) {
    return false;
  }
  for (guint i = 0; i < a->u.list->len; i++) {
    if (!fl_value_equal(
            static_cast<FlValue*>(g_ptr_array_index(a->u.list, i)),
            static_cast<FlValue*>(g_ptr_array_index(b->u.list, i)))) {
      return false;
    }
  }
  return true;
}

// Equal maps may list their pairs in different orders.
bool MapsEqual(FlValue* a, FlValue* b) {
  if (a->u.map.keys->len != b->u.map.keys->len) {
    return false;
  }
  for (guint i = 0; i < a->u.map.keys->len; i++) {
    FlValue* key = static_cast<FlValue*>(g_ptr_array_index(a->u.map.keys, i));
    int j = MapIndex(b, key);
    if (j < 0 ||
        !fl_value_equal(
            static_cast<FlValue*>(g_ptr_array_index(a->u.map.values, i)),
            static_cast<FlValue*>(g_ptr_array_index(b->u.map.values, j)))) {
      return false;
    }
  }
  return true;
}

bool TypedListsEqual(FlValue* a, FlValue* b) {
  if (a->u.typed.length != b->u.typed.length) {
    return false;
  }
  switch (a->type) {
    case FL_VALUE_TYPE_FLOAT32_LIST:
      return NumbersEqual<float>(a->u.typed.data, b->u.typed.data,
                                 a->u.typed.length);
    case FL_VALUE_TYPE_FLOAT_LIST:
      return NumbersEqual<double>(a->u.typed.data, b->u.typed.data,
                                  a->u.typed.length);
    default:
      return a->u.typed.length == 0 ||
             memcmp(a->u.typed.data, b->u.typed.data,
                    a->u.typed.length * ElementSize(a->type)) == 0;
  }
}

}  // namespace

FlValue* fl_value_new_null() {
  return NewValue(FL_VALUE_TYPE_NULL);
}

FlValue* fl_value_new_bool(bool value) {
  FlValue* self = NewValue(FL_VALUE_TYPE_BOOL);
  self->u.bool_value = value;
  return self;
}

FlValue* fl_value_new_int(int64_t value) {
  FlValue* self = NewValue(FL_VALUE_TYPE_INT);
  self->u.int_value = value;
  return self;
}

FlValue* fl_value_new_float(double value) {
  FlValue* self = NewValue(FL_VALUE_TYPE_FLOAT);
  self->u.float_value = value;
  return self;
}

FlValue* fl_value_new_string(const gchar* value) {
  FlValue* self = NewValue(FL_VALUE_TYPE_STRING);
  self->u.string_value = g_strdup(value);
  return self;
}

FlValue* fl_value_new_string_sized(const gchar* value, size_t value_length) {
  FlValue* self = NewValue(FL_VALUE_TYPE_STRING);
  self->u.string_value =
      value_length == 0 ? g_strdup("") : g_strndup(value, value_length);
  return self;
}

FlValue* fl_value_new_uint8_list(const uint8_t* value, size_t value_length) {
  return NewTypedList(FL_VALUE_TYPE_UINT8_LIST, value, value_length,
                      sizeof(uint8_t));
}

FlValue* fl_value_new_uint8_list_from_bytes(GBytes* value) {
  gsize length = 0;
  const uint8_t* data =
      static_cast<const uint8_t*>(g_bytes_get_data(value, &length));
  return fl_value_new_uint8_list(data, length);
}

FlValue* fl_value_new_int32_list(const int32_t* value, size_t value_length) {
  return NewTypedList(FL_VALUE_TYPE_INT32_LIST, value, value_length,
                      sizeof(int32_t));
}

FlValue* fl_value_new_int64_list(const int64_t* value, size_t value_length) {
  return NewTypedList(FL_VALUE_TYPE_INT64_LIST, value, value_length,
                      sizeof(int64_t));
}

FlValue* fl_value_new_float32_list(const float* value, size_t value_length) {
  return NewTypedList(FL_VALUE_TYPE_FLOAT32_LIST, value, value_length,
                      sizeof(float));
}

FlValue* fl_value_new_float_list(const double* value, size_t value_length) {
  return NewTypedList(FL_VALUE_TYPE_FLOAT_LIST, value, value_length,
                      sizeof(double));
}

FlValue* fl_value_new_list() {
  FlValue* self = NewValue(FL_VALUE_TYPE_LIST);
  self->u.list = g_ptr_array_new_with_free_func(UnrefChild);
  return self;
}

FlValue* fl_value_new_list_from_strv(const gchar* const* value) {
  FlValue* self = fl_value_new_list();
  for (int i = 0; value != nullptr && value[i] != nullptr; i++) {
    fl_value_append_take(self, fl_value_new_string(value[i]));
  }
  return self;
}

FlValue* fl_value_new_map() {
  FlValue* self = NewValue(FL_VALUE_TYPE_MAP);
  self->u.map.keys = g_ptr_array_new_with_free_func(UnrefChild);
  self->u.map.values = g_ptr_array_new_with_free_func(UnrefChild);
  return self;
}

FlValue* fl_value_ref(FlValue* self) {
  g_return_val_if_fail(self != nullptr, nullptr);
  self->ref_count++;
  return self;
}

void fl_value_unref(FlValue* self) {
  g_return_if_fail(self != nullptr);
  g_return_if_fail(self->ref_count > 0);
  if (--self->ref_count > 0) {
    return;
  }
  if (self->type == FL_VALUE_TYPE_STRING) {
    g_free(self->u.string_value);
  } else if (IsTypedList(self->type)) {
    g_free(self->u.typed.data);
  } else if (self->type == FL_VALUE_TYPE_LIST) {
    g_ptr_array_unref(self->u.list);
  } else if (self->type == FL_VALUE_TYPE_MAP) {
    g_ptr_array_unref(self->u.map.keys);
    g_ptr_array_unref(self->u.map.values);
  }
  g_free(self);
}

FlValueType fl_value_get_type(FlValue* self) {
  g_return_val_if_fail(self != nullptr, FL_VALUE_TYPE_NULL);
  return self->type;
}

bool fl_value_equal(FlValue* a, FlValue* b) {
  g_return_val_if_fail(a != nullptr, false);
  g_return_val_if_fail(b != nullptr, false);
  if (a->type != b->type) {
    return false;
  }
  switch (a->type) {
    case FL_VALUE_TYPE_NULL:
      return true;
    case FL_VALUE_TYPE_BOOL:
      return a->u.bool_value == b->u.bool_value;
    case FL_VALUE_TYPE_INT:
      return a->u.int_value == b->u.int_value;
    case FL_VALUE_TYPE_FLOAT:
      return a->u.float_value == b->u.float_value;
    case FL_VALUE_TYPE_STRING:
      return g_strcmp0(a->u.string_value, b->u.string_value) == 0;
    case FL_VALUE_TYPE_UINT8_LIST:
    case FL_VALUE_TYPE_INT32_LIST:
    case FL_VALUE_TYPE_INT64_LIST:
    case FL_VALUE_TYPE_FLOAT32_LIST:
    case FL_VALUE_TYPE_FLOAT_LIST:
      return TypedListsEqual(a, b);
    case FL_VALUE_TYPE_LIST:
      return ListsEqual(a, b);
    case FL_VALUE_TYPE_MAP:
      return MapsEqual(a, b);
  }
  return false;
}

void fl_value_append(FlValue* self, FlValue* child) {
  g_return_if_fail(self != nullptr);
  g_return_if_fail(self->type == FL_VALUE_TYPE_LIST);
  g_return_if_fail(child != nullptr);
  fl_value_append_take(self, fl_value_ref(child));
}

void fl_value_append_take(FlValue* self, FlValue* child) {
  g_return_if_fail(self != nullptr);
  g_return_if_fail(self->type == FL_VALUE_TYPE_LIST);
  g_return_if_fail(child != nullptr);
  g_ptr_array_add(self->u.list, child);
}

void fl_value_set(FlValue* self, FlValue* key, FlValue* child_value) {
  g_return_if_fail(self != nullptr);
  g_return_if_fail(self->type == FL_VALUE_TYPE_MAP);
  g_return_if_fail(key != nullptr);
  g_return_if_fail(child_value != nullptr);
  fl_value_set_take(self, fl_value_ref(key), fl_value_ref(child_value));
}

void fl_value_set_take(FlValue* self, FlValue* key, FlValue* child_value) {
  g_return_if_fail(self != nullptr);
  g_return_if_fail(self->type == FL_VALUE_TYPE_MAP);
  g_return_if_fail(key != nullptr);
  g_return_if_fail(child_value != nullptr);
  // An existing key keeps its position; key and value are both replaced.
  int index = MapIndex(self, key);
  if (index < 0) {
    g_ptr_array_add(self->u.map.keys, key);
    g_ptr_array_add(self->u.map.values, child_value);
    return;
  }
  gpointer* keys = self->u.map.keys->pdata;
  gpointer* values = self->u.map.values->pdata;
  UnrefChild(keys[index]);
  UnrefChild(values[index]);
  keys[index] = key;
  values[index] = child_value;
}

void fl_value_set_string(FlValue* self,
                         const gchar* key,
                         FlValue* child_value) {
  g_return_if_fail(self != nullptr);
  g_return_if_fail(self->type == FL_VALUE_TYPE_MAP);
  g_return_if_fail(key != nullptr);
  g_return_if_fail(child_value != nullptr);
  fl_value_set_take(self, fl_value_new_string(key), fl_value_ref(child_value));
}

void fl_value_set_string_take(FlValue* self,
                              const gchar* key,
                              FlValue* child_value) {
  g_return_if_fail(self != nullptr);
  g_return_if_fail(self->type == FL_VALUE_TYPE_MAP);
  g_return_if_fail(key != nullptr);
  g_return_if_fail(child_value != nullptr);
  fl_value_set_take(self, fl_value_new_string(key), child_value);
}

bool fl_value_get_bool(FlValue* self) {
  g_return_val_if_fail(self != nullptr, false);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_BOOL, false);
  return self->u.bool_value;
}

int64_t fl_value_get_int(FlValue* self) {
  g_return_val_if_fail(self != nullptr, 0);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_INT, 0);
  return self->u.int_value;
}

double fl_value_get_float(FlValue* self) {
  g_return_val_if_fail(self != nullptr, 0.0);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_FLOAT, 0.0);
  return self->u.float_value;
}

const gchar* fl_value_get_string(FlValue* self) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_STRING, nullptr);
  return self->u.string_value;
}

const uint8_t* fl_value_get_uint8_list(FlValue* self) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_UINT8_LIST, nullptr);
  return static_cast<const uint8_t*>(self->u.typed.data);
}

const int32_t* fl_value_get_int32_list(FlValue* self) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_INT32_LIST, nullptr);
  return static_cast<const int32_t*>(self->u.typed.data);
}

const int64_t* fl_value_get_int64_list(FlValue* self) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_INT64_LIST, nullptr);
  return static_cast<const int64_t*>(self->u.typed.data);
}

const float* fl_value_get_float32_list(FlValue* self) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_FLOAT32_LIST, nullptr);
  return static_cast<const float*>(self->u.typed.data);
}

const double* fl_value_get_float_list(FlValue* self) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_FLOAT_LIST, nullptr);
  return static_cast<const double*>(self->u.typed.data);
}

size_t fl_value_get_length(FlValue* self) {
  g_return_val_if_fail(self != nullptr, 0);
  g_return_val_if_fail(IsTypedList(self->type) ||
                           self->type == FL_VALUE_TYPE_LIST ||
                           self->type == FL_VALUE_TYPE_MAP,
                       0);
  if (self->type == FL_VALUE_TYPE_LIST) {
    return self->u.list->len;
  }
  if (self->type == FL_VALUE_TYPE_MAP) {
    return self->u.map.keys->len;
  }
  return self->u.typed.length;
}

// Unlike the engine's, the index accessors check their bounds: a stray
// index here logs a critical instead of reading past the array.
FlValue* fl_value_get_list_value(FlValue* self, size_t index) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_LIST, nullptr);
  g_return_val_if_fail(index < self->u.list->len, nullptr);
  return static_cast<FlValue*>(g_ptr_array_index(self->u.list, index));
}

FlValue* fl_value_get_map_key(FlValue* self, size_t index) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_MAP, nullptr);
  g_return_val_if_fail(index < self->u.map.keys->len, nullptr);
  return static_cast<FlValue*>(g_ptr_array_index(self->u.map.keys, index));
}

FlValue* fl_value_get_map_value(FlValue* self, size_t index) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_MAP, nullptr);
  g_return_val_if_fail(index < self->u.map.values->len, nullptr);
  return static_cast<FlValue*>(g_ptr_array_index(self->u.map.values, index));
}

FlValue* fl_value_lookup(FlValue* self, FlValue* key) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_MAP, nullptr);
  g_return_val_if_fail(key != nullptr, nullptr);
  int index = MapIndex(self, key);
  return index < 0 ? nullptr
                   : static_cast<FlValue*>(
                         g_ptr_array_index(self->u.map.values, index));
}

FlValue* fl_value_lookup_string(FlValue* self, const gchar* key) {
  g_return_val_if_fail(self != nullptr, nullptr);
  g_return_val_if_fail(self->type == FL_VALUE_TYPE_MAP, nullptr);
  // Only string keys can match, as with fl_value_lookup and a string key.
  for (guint i = 0; i < self->u.map.keys->len; i++) {
    FlValue* candidate =
        static_cast<FlValue*>(g_ptr_array_index(self->u.map.keys, i));
    if (candidate->type == FL_VALUE_TYPE_STRING &&
        g_strcmp0(candidate->u.string_value, key) == 0) {
      return static_cast<FlValue*>(g_ptr_array_index(self->u.map.values, i));
    }
  }
  return nullptr;
}

gchar* fl_value_to_string(FlValue* self) {
  g_return_val_if_fail(self != nullptr, nullptr);
  GString* buffer = g_string_new("");
  AppendValue(buffer, self);
  return g_string_free(buffer, FALSE);
}
