#ifndef FLUTTER_LINUX_FL_METHOD_RESPONSE_H_
#define FLUTTER_LINUX_FL_METHOD_RESPONSE_H_

#if !defined(__FLUTTER_LINUX_INSIDE__) && !defined(FLUTTER_LINUX_COMPILATION)
#error "Only <flutter_linux/flutter_linux.h> can be included directly."
#endif

#include <glib-object.h>
#include <gmodule.h>

#include "fl_value.h"

G_BEGIN_DECLS

#define FL_METHOD_RESPONSE_ERROR fl_method_response_error_quark()

typedef enum {
  FL_METHOD_RESPONSE_ERROR_FAILED,
  FL_METHOD_RESPONSE_ERROR_REMOTE_ERROR,
  FL_METHOD_RESPONSE_ERROR_NOT_IMPLEMENTED,
} FlMethodResponseError;

G_MODULE_EXPORT
GQuark fl_method_response_error_quark(void) G_GNUC_CONST;

G_MODULE_EXPORT
G_DECLARE_DERIVABLE_TYPE(FlMethodResponse,
                         fl_method_response,
                         FL,
                         METHOD_RESPONSE,
                         GObject)

struct _FlMethodResponseClass {
  GObjectClass parent_class;
};

G_MODULE_EXPORT
G_DECLARE_FINAL_TYPE(FlMethodSuccessResponse,
                     fl_method_success_response,
                     FL,
                     METHOD_SUCCESS_RESPONSE,
                     FlMethodResponse)

G_MODULE_EXPORT
G_DECLARE_FINAL_TYPE(FlMethodErrorResponse,
                     fl_method_error_response,
                     FL,
                     METHOD_ERROR_RESPONSE,
                     FlMethodResponse)

G_MODULE_EXPORT
G_DECLARE_FINAL_TYPE(FlMethodNotImplementedResponse,
                     fl_method_not_implemented_response,
                     FL,
                     METHOD_NOT_IMPLEMENTED_RESPONSE,
                     FlMethodResponse)

// The result of a success response (borrowed, may be NULL). For an error or
// not-implemented response: NULL and `error` set.
G_MODULE_EXPORT FlValue* fl_method_response_get_result(
    FlMethodResponse* response,
    GError** error);

// `result` may be NULL; it is referenced, not taken.
G_MODULE_EXPORT FlMethodSuccessResponse* fl_method_success_response_new(
    FlValue* result);
G_MODULE_EXPORT FlValue* fl_method_success_response_get_result(
    FlMethodSuccessResponse* response);

// `code` is required; `message` and `details` may be NULL. `details` is
// referenced, not taken.
G_MODULE_EXPORT FlMethodErrorResponse* fl_method_error_response_new(
    const gchar* code,
    const gchar* message,
    FlValue* details);
G_MODULE_EXPORT const gchar* fl_method_error_response_get_code(
    FlMethodErrorResponse* response);
G_MODULE_EXPORT const gchar* fl_method_error_response_get_message(
    FlMethodErrorResponse* response);
G_MODULE_EXPORT FlValue* fl_method_error_response_get_details(
    FlMethodErrorResponse* response);

G_MODULE_EXPORT FlMethodNotImplementedResponse*
fl_method_not_implemented_response_new();

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_METHOD_RESPONSE_H_
