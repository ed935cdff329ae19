// Parvela's icon, for the window and the notification area: a pair of
// quotation marks on a rounded square, drawn at the sizes desktops ask for.
#pragma once

#include <QIcon>

namespace pvl {

QIcon parvela_icon();

}  // namespace pvl
