// Errors of the file-system routines.
#pragma once

#include "fml/exception.h"

namespace tinyfilesystem {

FML_DECLARE_ERROR(filesystem_error, fml::exception);
FML_DECLARE_ERROR(special_folder_error, filesystem_error);

}  // namespace tinyfilesystem
