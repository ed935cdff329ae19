// Preparing the user's data folder at start-up.
#pragma once

namespace pvl {

// Makes sure the user's "Parvela" data folder exists. On the user's first
// start (no such folder yet) it creates the folder (0700) and its "logs"
// folder and copies "defaultquotes.xml", "defaulttags.xml" and "parvela.fdb"
// from the all-users "Parvela" folder (common_parvela_folder(): an
// administrator's copy, else the files that ship with the program), each
// only when the user has no file of that name; each copy gets its name only
// once it is complete. Raises
// tinyfilesystem::special_folder_error when a folder cannot be found and
// pvl::data_error ("Application data not exists") when
// neither the user's nor the all-users "Parvela" folder exists.
void prepare_app_data();

}  // namespace pvl
