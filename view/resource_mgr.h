// The store of the user-interface files: every file of the folder "res"
// beside the program (main page, style sheets, images, cursors), read into
// memory once, at first use, and served by exact file name to the main
// window's load requests and to the about box.
#pragma once

#include <map>
#include <string>

#include "fml/whoami.h"

namespace pvl {

class ResourceMgr : public whoami {
 public:
  // Reads every entry of `folder` into memory and writes "ResourceMgr init"
  // to the log "debug". An entry that cannot be read (a sub-folder, a file
  // without permission) is held with no bytes; a missing folder leaves the
  // store empty. Never raises for the folder's content.
  explicit ResourceMgr(const std::wstring& folder);
  // Writes "ResourceMgr destruct" to the log "debug".
  ~ResourceMgr() override;

  ResourceMgr(const ResourceMgr&) = delete;
  ResourceMgr& operator=(const ResourceMgr&) = delete;

  std::string name() const override { return "ResourceMgr"; }

  // Whether a file of exactly this name (no folder part; letter case
  // counts) is held.
  bool exists(const std::wstring& name) const;

  // The bytes of the file `name`. Raises resource_not_found_error, whose
  // text is the name in UTF-8 followed by ": no such file in <folder>", when
  // no file of exactly that name is held.
  const std::string& get(const std::wstring& name) const;

  // How many entries are held.
  size_t size() const { return m_files.size(); }

 private:
  std::wstring m_folder;
  std::map<std::wstring, std::string> m_files;
};

// The folder the process's store reads: "res" in the program's folder (the
// directory table's "ParvelaDir").
std::wstring resource_folder();

// The process's store: the one the program's owner (view/program.h) holds,
// filled from resource_folder() when the program starts. Raises
// fml::exception when there is none (see fml/instance.h).
ResourceMgr& resource_mgr();

}  // namespace pvl
