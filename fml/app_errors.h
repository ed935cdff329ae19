// The program's own error classes, by the namespace of the component that
// raises them. They carry only their text; see fml/exception.h for the root.
#pragma once

#include "fml/exception.h"

namespace pvl {

// Base of the errors of the shell's system calls.
FML_DECLARE_ERROR(base_exception, fml::exception);
FML_DECLARE_ERROR(global_unlock_error, base_exception);
FML_DECLARE_ERROR(close_clipboard_error, base_exception);
FML_DECLARE_ERROR(install_hook_error, base_exception);
FML_DECLARE_ERROR(remove_hook_error, base_exception);
FML_DECLARE_ERROR(clipboard_error, fml::exception);

// Base of application errors.
FML_DECLARE_ERROR(apperror, fml::exception);
FML_DECLARE_ERROR(data_error, apperror);

FML_DECLARE_ERROR(resource_not_found_error, fml::exception);
FML_DECLARE_ERROR(load_pvl_resource_error, fml::exception);
FML_DECLARE_ERROR(wrong_vcaction, fml::exception);
FML_DECLARE_ERROR(unknown_vcaction, fml::exception);
FML_DECLARE_ERROR(wrong_he_type, fml::exception);
FML_DECLARE_ERROR(wrong_event_id, fml::exception);
FML_DECLARE_ERROR(wrong_sms_dom_element, fml::exception);
FML_DECLARE_ERROR(cannot_find_fresh_tr, fml::exception);
FML_DECLARE_ERROR(fopen_drag_mgr_xml_error, fml::exception);
FML_DECLARE_ERROR(read_drag_mgr_xml_error, fml::exception);

namespace detail {
FML_DECLARE_ERROR(wrong_id_format, fml::exception);
}  // namespace detail

}  // namespace pvl

// The model's and its database's errors live in the global namespace.
FML_DECLARE_ERROR(wrong_quote_id, fml::exception);
FML_DECLARE_ERROR(wrong_tag_id, fml::exception);
FML_DECLARE_ERROR(open_db_error, fml::exception);
FML_DECLARE_ERROR(read_appdata_folder_error, fml::exception);
FML_DECLARE_ERROR(read_xml_error, fml::exception);
